// The --summary file: one CSV line per recording, written under a temporary
// name and put in place only when the run ends well, so a summary that
// looks finished always is.
#pragma once

#include <cstdio>
#include <string>

namespace convert {

class SummaryWriter {
  public:
    SummaryWriter() = default;
    ~SummaryWriter();
    SummaryWriter(const SummaryWriter&) = delete;
    SummaryWriter& operator=(const SummaryWriter&) = delete;

    // Starts the file with its header; false, with the reason on stderr,
    // when path exists and may not be replaced or cannot be created.
    // replaceSummary lets a file that is itself such a summary (its first
    // line the header) be replaced: a rerun rebuilds the one it left.
    bool Open(const std::string& path, bool replace, bool replaceSummary = false);
    bool IsOpen() const { return m_file != nullptr; }
    void Add(const std::string& line);
    // Puts the file in place, after a stop too (it then holds the files that
    // were finished); false, with the reason on stderr, when it could not be
    // written (nothing is said when the run was stopped anyway).
    bool Close(bool interrupted);

  private:
    std::string m_path, m_temporary;
    std::FILE* m_file = nullptr;
};

} // namespace convert
