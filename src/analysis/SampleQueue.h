// Profile points handed from the thread that processes pings to whoever
// analyses them: one short lock per point for the producer, one swap per
// batch for the consumer. Bounded, so a consumer that stalls costs memory
// only up to the bound; what does not fit is counted and dropped.
#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "analysis/ProfileSample.h"

namespace analysis {

class SampleQueue {
  public:
    explicit SampleQueue(std::size_t capacity = 100000) : m_capacity(capacity) {}

    void Push(const ProfileSample& s) {
        std::lock_guard lock(m_mutex);
        if (m_items.size() < m_capacity)
            m_items.push_back(s);
        else
            ++m_dropped;
    }
    // Moves everything queued into out (cleared first).
    void TakeAll(std::vector<ProfileSample>& out) {
        out.clear();
        std::lock_guard lock(m_mutex);
        out.swap(m_items);
    }
    std::size_t Dropped() const {
        std::lock_guard lock(m_mutex);
        return m_dropped;
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<ProfileSample> m_items;
    std::size_t m_capacity;
    std::size_t m_dropped = 0;
};

} // namespace analysis
