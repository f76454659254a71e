#include "analysis/ScanCutter.h"

#include <cmath>

namespace analysis {

namespace {

// The smallest signed turn from a to b, in (-180, 180].
double Turn(double a, double b) {
    double d = std::fmod(b - a, 360.0);
    if (d > 180.0) d -= 360.0;
    if (d <= -180.0) d += 360.0;
    return d;
}

} // namespace

bool ScanTurns::Add(double bearing) {
    bool begins = false;
    if (m_points > 0) {
        const double d = Turn(m_lastBearing, bearing);
        // Tiny turns are the angle encoder's jitter, not a new direction.
        const int direction = d > 1e-6 ? 1 : (d < -1e-6 ? -1 : 0);
        const bool reversed = direction != 0 && m_direction != 0 && direction != m_direction;
        const bool fullCircle = m_turned + std::fabs(d) >= 360.0 - 1e-6;
        if (reversed || fullCircle || m_points >= ScanCutter::kMaxPoints) {
            begins = true;
            m_points = 0;
            m_turned = 0.0;
            m_direction = 0;
        } else {
            m_turned += std::fabs(d);
            if (direction != 0) m_direction = direction;
        }
    }
    ++m_points;
    m_lastBearing = bearing;
    return begins;
}

void ScanTurns::Reset() {
    m_points = 0;
    m_turned = 0.0;
    m_direction = 0;
}

bool ScanCutter::Add(const ProfileSample& sample) {
    if (!std::isfinite(sample.bearing)) return false;
    const bool closed = m_turns.Add(sample.bearing) && !m_current.empty();
    if (closed) Close();
    m_current.push_back(sample);
    return closed;
}

bool ScanCutter::Flush() {
    if (m_current.empty()) return false;
    Close();
    m_turns.Reset();
    return true;
}

void ScanCutter::Reset() {
    m_current.clear();
    m_done.clear();
    m_turns.Reset();
}

void ScanCutter::Close() {
    m_done.swap(m_current);
    m_current.clear();
}

} // namespace analysis
