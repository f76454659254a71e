// What the jobs of a run leave to print, printed in input order whatever
// order they finish in, with one progress bar on stderr for the whole run.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace convert {

class SummaryWriter;

// What one file's run leaves to print.
struct JobResult {
    bool done = false;
    bool failed = false;
    // Converted, but its survey details could not be read: the run's status
    // says so (1) without the file counting as failed.
    bool detailsRefused = false;
    std::string out, err;
    std::string summary; // the --summary line
};

class ResultPrinter {
  public:
    // The bar is drawn only when showBar; summary (may be null) takes each
    // finished file's line in input order.
    ResultPrinter(std::size_t count, bool showBar, SummaryWriter* summary);
    // Job i has reached percent of its file (from any thread).
    void Progress(std::size_t i, int percent);
    // Job i is over (from any thread).
    void Done(std::size_t i, JobResult result);
    // Clears the bar once every job is over.
    void Close();
    // A file failed, or was converted without the details it should carry.
    bool AnyFailed() const;

  private:
    void ShowProgress();
    void PrintReady();
    void ShowBar(const std::string& label, int percent);
    void ClearBar();

    std::mutex m_lock;
    std::vector<JobResult> m_results;
    std::vector<int> m_percents;
    std::size_t m_printed = 0, m_finished = 0;
    SummaryWriter* m_summary;
    bool m_barEnabled;
    bool m_barShown = false;
};

} // namespace convert
