// The converter's thread pool: the jobs of a run handed out in input order
// to a fixed number of threads, until all are taken or a stop is asked for.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>

namespace convert {

class JobPool {
  public:
    // count jobs on at most `threads` threads at once (one: on the caller's
    // thread), out of `limit` the user allows in all (-j N).
    JobPool(std::size_t count, unsigned threads, unsigned limit, const std::atomic<int>& stop);

    // Runs job(i) for every i not yet taken while stop holds 0; returns when
    // every thread is done.
    void Run(const std::function<void(std::size_t)>& job);

    // True when no job waits for a thread and one of the limit is free: a
    // running job may then take a helper thread of its own.
    bool HasSpareThread() const { return m_next.load() >= m_count && m_running.load() < m_limit; }

  private:
    void Work(const std::function<void(std::size_t)>& job);

    const std::size_t m_count;
    const unsigned m_threads;
    const unsigned m_limit;
    const std::atomic<int>& m_stop;
    std::atomic<std::size_t> m_next{0};
    std::atomic<unsigned> m_running{0};
};

} // namespace convert
