#include "ResultPrinter.h"

#include <algorithm>
#include <cstdio>

#include "SummaryWriter.h"

namespace convert {

ResultPrinter::ResultPrinter(std::size_t count, bool showBar, SummaryWriter* summary)
    : m_results(count), m_percents(count, 0), m_summary(summary), m_barEnabled(showBar) {}

// A one-line bar on stderr, redrawn in place.
void ResultPrinter::ShowBar(const std::string& label, int percent) {
    if (!m_barEnabled) return;
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r%s [%s%s] %3d%%", label.c_str(), std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, '-').c_str(), percent);
    std::fflush(stderr);
    m_barShown = true;
}

void ResultPrinter::ClearBar() {
    if (!m_barShown) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_barShown = false;
}

void ResultPrinter::ShowProgress() {
    int sum = 0;
    for (const int p : m_percents)
        sum += p;
    const std::size_t count = m_results.size();
    ShowBar("[" + std::to_string(m_finished) + "/" + std::to_string(count) + " files] total",
            static_cast<int>(sum / static_cast<long>(count)));
}

void ResultPrinter::PrintReady() {
    const std::size_t count = m_results.size();
    while (m_printed < count && m_results[m_printed].done) {
        ClearBar();
        std::fputs(m_results[m_printed].out.c_str(), stdout);
        std::fflush(stdout);
        std::fputs(m_results[m_printed].err.c_str(), stderr);
        if (m_summary) m_summary->Add(m_results[m_printed].summary);
        ++m_printed;
    }
}

void ResultPrinter::Progress(std::size_t i, int percent) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_percents[i] = percent;
    ShowProgress();
}

void ResultPrinter::Done(std::size_t i, JobResult result) {
    std::lock_guard<std::mutex> hold(m_lock);
    result.done = true;
    m_results[i] = std::move(result);
    m_percents[i] = 100;
    ++m_finished;
    PrintReady();
    if (m_finished < m_results.size()) ShowProgress();
}

void ResultPrinter::Close() {
    ClearBar();
    std::fflush(stdout);
}

bool ResultPrinter::AnyFailed() const {
    return std::any_of(m_results.begin(), m_results.end(),
                       [](const JobResult& r) { return r.failed || r.detailsRefused; });
}

} // namespace convert
