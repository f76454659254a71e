#include "analysis/PipeHistory.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "analysis/DeviationColours.h"

namespace analysis {

bool PipeHistory::Add(const AnalysedScan& scan) {
    double distance = scan.figures.distance;
    if (!std::isfinite(distance) && !scan.samples.empty()) distance = scan.samples.back().distance;
    if (!std::isfinite(distance) || scan.points.empty()) return false;
    return AddRing(distance, RingOf(scan.points, m_maxRingPoints),
                   RingFrameOf(scan.figures, scan.samples));
}

RingFrame RingFrameOf(const ScanFigures& figures, std::span<const ProfileSample> samples) {
    RingFrame frame;
    if (figures.HasCentre()) {
        frame.centreX = static_cast<float>(figures.centreX);
        frame.centreY = static_cast<float>(figures.centreY);
    }
    // A mean of directions, so bearings either side of 180 do not cancel.
    double sx = 0.0, sy = 0.0;
    for (const ProfileSample& s : samples) {
        if (!std::isfinite(s.upBearing)) continue;
        sx += std::sin(s.upBearing * std::numbers::pi / 180.0);
        sy += std::cos(s.upBearing * std::numbers::pi / 180.0);
    }
    if (sx != 0.0 || sy != 0.0)
        frame.upBearing = static_cast<float>(std::atan2(sx, sy) * 180.0 / std::numbers::pi);
    return frame;
}

std::vector<PipePoint> PipeHistory::RingOf(std::span<const AnalysedPoint> points,
                                           std::size_t maxPoints) {
    std::vector<PipePoint> ring;
    const std::size_t keep = std::min(points.size(), std::max<std::size_t>(1, maxPoints));
    ring.reserve(keep);
    for (std::size_t i = 0; i < keep; ++i) {
        const AnalysedPoint& p = points[i * points.size() / keep];
        ring.push_back(PipePoint{static_cast<float>(p.x), static_cast<float>(p.y),
                                 static_cast<float>(p.deviation)});
    }
    return ring;
}

bool PipeHistory::Add(double distance, std::span<const AnalysedPoint> points) {
    if (!std::isfinite(distance) || points.empty()) return false;
    return AddRing(distance, RingOf(points, m_maxRingPoints));
}

bool PipeHistory::AddRing(double distance, std::span<const PipePoint> points,
                          const RingFrame& frame) {
    if (!std::isfinite(distance) || points.empty()) return false;
    if (!m_rings.empty() && distance < m_rings.back().distance - 1.0) Clear();
    // Scan n is kept when n is a multiple of the stride: after a halving the
    // kept rings are the multiples of the new stride, so new ones continue
    // the same spacing.
    if (m_scan++ % m_stride != 0) return false;
    PipeRing ring;
    ring.distance = distance;
    ring.frame = frame;
    const std::size_t keep = std::min(points.size(), m_maxRingPoints);
    ring.points.reserve(keep);
    for (std::size_t i = 0; i < keep; ++i) {
        const PipePoint& p = points[i * points.size() / keep];
        ring.points.push_back(p);
        ring.reach = std::max(ring.reach, std::hypot(p.x, p.y));
    }
    m_points += ring.points.size();
    m_rings.push_back(std::move(ring));
    if (m_rings.size() >= m_maxRings) Halve();
    return true;
}

std::size_t PipeHistory::Bytes() const {
    return m_points * sizeof(PipePoint) + m_rings.capacity() * sizeof(PipeRing);
}

void PipeHistory::Halve() {
    // Keep the even-numbered rings (the first one included): the survey's
    // start stays where it was and the spacing doubles everywhere.
    std::size_t out = 0;
    m_points = 0;
    for (std::size_t i = 0; i < m_rings.size(); i += 2) {
        m_points += m_rings[i].points.size();
        if (out != i) m_rings[out] = std::move(m_rings[i]);
        ++out;
    }
    m_rings.resize(out);
    m_stride *= 2;
}

void PipeHistory::Clear() {
    m_rings.clear();
    m_points = 0;
    m_stride = 1;
    m_scan = 0;
}

double PipeHistory::FirstDistance() const {
    return m_rings.empty() ? std::numeric_limits<double>::quiet_NaN() : m_rings.front().distance;
}

double PipeHistory::LastDistance() const {
    return m_rings.empty() ? std::numeric_limits<double>::quiet_NaN() : m_rings.back().distance;
}

double PipeHistory::NearestRing(double distance) const {
    double best = std::numeric_limits<double>::quiet_NaN();
    if (!std::isfinite(distance)) return best;
    double gap = std::numeric_limits<double>::infinity();
    for (const PipeRing& r : m_rings)
        if (std::abs(r.distance - distance) < gap) {
            gap = std::abs(r.distance - distance);
            best = r.distance;
        }
    return best;
}

std::size_t PipeHistory::FillVertices(std::size_t budget, std::vector<float>& out) const {
    out.clear();
    if (m_points == 0 || budget == 0) return 0;
    // Points taken evenly from every ring: one in total/budget, the same
    // share everywhere, so the thinning is even along the pipe and round it.
    const std::size_t total = m_points;
    const std::size_t take = std::min(budget, total);
    out.reserve(take * 7);
    std::size_t n = 0, acc = 0;
    for (const PipeRing& r : m_rings) {
        const float z = static_cast<float>(r.distance * 100.0);
        for (const PipePoint& p : r.points) {
            acc += take;
            if (acc < total) continue;
            acc -= total;
            const Rgb c = DeviationColour(p.deviation);
            out.insert(out.end(), {p.x * 100.0f, p.y * 100.0f, z, c.r / 255.0f, c.g / 255.0f,
                                   c.b / 255.0f, 1.0f});
            ++n;
        }
    }
    return n;
}

RingFrame PipeHistory::FrameOf(std::size_t index) const {
    if (index >= m_rings.size()) return {};
    RingFrame frame = m_rings[index].frame;
    if (frame.HasCentre()) return frame;
    const double at = m_rings[index].distance;
    double gap = std::numeric_limits<double>::infinity();
    for (const PipeRing& r : m_rings)
        if (r.frame.HasCentre() && std::abs(r.distance - at) < gap) {
            gap = std::abs(r.distance - at);
            frame.centreX = r.frame.centreX;
            frame.centreY = r.frame.centreY;
        }
    return frame;
}

} // namespace analysis
