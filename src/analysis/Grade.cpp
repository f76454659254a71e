#include "analysis/Grade.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace analysis {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

} // namespace

void GradeProfile::Add(double distance, double pitch) {
    // A pitch of 90 degrees or more is no head lying in a pipe.
    if (!std::isfinite(distance) || !std::isfinite(pitch) || std::fabs(pitch) >= 90.0 ||
        std::fabs(distance) > 1e9)
        return;
    const auto key = static_cast<long long>(std::llround(distance / kStep));
    if (m_last == m_bins.end() || m_last->first != key) m_last = m_bins.try_emplace(key).first;
    m_last->second.sum += pitch;
    ++m_last->second.count;
}

void GradeProfile::Add(const ProfileSample& s) {
    // Samples without a time stamp cannot be judged, and are taken.
    if (std::isfinite(s.distance) && std::isfinite(s.time)) {
        orientation::Record reading;
        reading.distance = {s.distance, true};
        if (!m_steps.Add(s.time, reading, m_topSpeed)) return;
    }
    Add(s.distance, s.pitch);
}

void GradeProfile::Clear() {
    m_steps.Reset();
    m_bins.clear();
    m_last = m_bins.end();
}

std::vector<GradeRow> GradeProfile::Rows() const {
    std::vector<GradeRow> rows;
    rows.reserve(m_bins.size());
    for (const auto& [key, bin] : m_bins) {
        GradeRow r;
        r.distance = static_cast<double>(key) * kStep;
        r.pitch = bin.sum / static_cast<double>(bin.count);
        r.grade = 100.0 * std::tan(r.pitch * kDegree);
        if (!rows.empty()) {
            // The distance is measured along the pipe, so each run rises by
            // the sine of the slope; trapezoids between the steps.
            const GradeRow& p = rows.back();
            r.elevation =
                p.elevation + (r.distance - p.distance) *
                                  (std::sin(p.pitch * kDegree) + std::sin(r.pitch * kDegree)) / 2.0;
        }
        rows.push_back(r);
    }
    return rows;
}

std::vector<Sag> FindSags(std::span<const GradeRow> rows, double threshold) {
    std::vector<Sag> sags;
    if (rows.size() < 3) return sags;
    // The upper hull, monotone chain: corners only (points on a straight run
    // of it are dropped), so a straight pipe is one stretch of depth 0.
    std::vector<std::size_t> hull;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        while (hull.size() >= 2) {
            const GradeRow& a = rows[hull[hull.size() - 2]];
            const GradeRow& b = rows[hull.back()];
            const GradeRow& c = rows[i];
            const double cross = (b.distance - a.distance) * (c.elevation - a.elevation) -
                                 (b.elevation - a.elevation) * (c.distance - a.distance);
            if (cross < 0.0) break; // b bends the hull downward: a corner
            hull.pop_back();
        }
        hull.push_back(i);
    }
    // Along each edge of the hull, the runs where the profile leaves the
    // edge's line (by more than a tenth of the threshold, so noise on a
    // straight run does not join two dips): one sag per run deep enough,
    // from the last point on the line before it to the first one after.
    const double onLine = threshold / 10.0;
    for (std::size_t h = 0; h + 1 < hull.size(); ++h) {
        const GradeRow& a = rows[hull[h]];
        const GradeRow& b = rows[hull[h + 1]];
        const double slope = (b.elevation - a.elevation) / (b.distance - a.distance);
        Sag s;
        bool open = false;
        for (std::size_t k = hull[h] + 1; k <= hull[h + 1]; ++k) {
            const double below =
                a.elevation + slope * (rows[k].distance - a.distance) - rows[k].elevation;
            if (below > onLine && k < hull[h + 1]) {
                if (!open) s = Sag{rows[k - 1].distance, 0.0, 0.0, rows[k].distance};
                open = true;
                if (below > s.depth) {
                    s.depth = below;
                    s.deepestAt = rows[k].distance;
                }
            } else if (open) {
                s.end = rows[k].distance;
                if (s.depth > threshold) sags.push_back(s);
                open = false;
            }
        }
    }
    return sags;
}

double DefaultSagThreshold(const NominalPipe& pipe) {
    switch (pipe.shape) {
    case NominalShape::HorseShoe:
        return 0.02 * pipe.height;
    case NominalShape::IrregularCircle:
        return 0.02 * (pipe.upperDiameter + pipe.lowerDiameter) / 2.0;
    case NominalShape::Circle:
        break;
    }
    return 0.02 * pipe.diameter;
}

} // namespace analysis
