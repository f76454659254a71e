// A small interval timer on the monotonic clock: the ping-period figure of the
// acquisition thread and the pacing of playback both measure with it.
#pragma once

#include <chrono>

class CTimer {
  public:
    using Clock = std::chrono::steady_clock;

    virtual ~CTimer() = default;

    // Zero both readings, take the first one and mark the timer started.
    void Start() {
        m_last = Clock::now();
        m_current = m_last;
        m_started = true;
    }

    // Seconds since the previous reading; this reading becomes the previous one.
    double Elapsed() {
        m_current = Clock::now();
        const std::chrono::duration<double> d = m_current - m_last;
        m_last = m_current;
        return d.count();
    }

    bool Started() const { return m_started; }
    void Reset() { m_started = false; }

  private:
    Clock::time_point m_last{};
    Clock::time_point m_current{};
    bool m_started = false;
};
