#include "JobPool.h"

#include <thread>
#include <vector>

namespace convert {

JobPool::JobPool(std::size_t count, unsigned threads, unsigned limit, const std::atomic<int>& stop)
    : m_count(count), m_threads(threads), m_limit(limit), m_stop(stop) {}

void JobPool::Work(const std::function<void(std::size_t)>& job) {
    for (std::size_t i; m_stop.load() == 0 && (i = m_next++) < m_count;) {
        ++m_running;
        job(i);
        --m_running;
    }
}

void JobPool::Run(const std::function<void(std::size_t)>& job) {
    if (m_threads <= 1) {
        Work(job);
        return;
    }
    std::vector<std::thread> pool;
    for (unsigned w = 0; w < m_threads; ++w)
        pool.emplace_back([this, &job] { Work(job); });
    for (auto& t : pool)
        t.join();
}

} // namespace convert
