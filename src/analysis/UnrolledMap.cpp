#include "analysis/UnrolledMap.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/PipeHistory.h"

namespace analysis {

UnrolledMap::UnrolledMap(std::size_t maxRows)
    : m_maxRows(std::max<std::size_t>(2, maxRows & ~std::size_t{1})),
      m_sum(m_maxRows * kColumns, 0.0f), m_count(m_maxRows * kColumns, 0), m_info(m_maxRows) {}

int UnrolledMap::ColumnOf(double bearing) {
    double b = std::fmod(bearing, 360.0);
    if (b < 0.0) b += 360.0;
    return std::clamp(static_cast<int>(b), 0, kColumns - 1);
}

void UnrolledMap::Clear() {
    std::fill(m_sum.begin(), m_sum.end(), 0.0f);
    std::fill(m_count.begin(), m_count.end(), 0u);
    std::fill(m_info.begin(), m_info.end(), RowInfo{});
    m_rows = 0;
    m_scansPerRow = 1;
}

void UnrolledMap::Halve() {
    // Rows 2k and 2k+1 become row k; their cells' sums and counts add, so
    // each cell stays the mean of all the points that fell in it.
    const std::size_t half = m_rows / 2;
    for (std::size_t k = 0; k < half; ++k) {
        const std::size_t a = 2 * k, b = 2 * k + 1;
        for (int c = 0; c < kColumns; ++c) {
            m_sum[k * kColumns + c] = m_sum[a * kColumns + c] + m_sum[b * kColumns + c];
            m_count[k * kColumns + c] = m_count[a * kColumns + c] + m_count[b * kColumns + c];
        }
        RowInfo merged;
        merged.distanceSum = m_info[a].distanceSum + m_info[b].distanceSum;
        merged.distances = m_info[a].distances + m_info[b].distances;
        merged.scans = m_info[a].scans + m_info[b].scans;
        m_info[k] = merged;
    }
    std::fill(m_sum.begin() + static_cast<std::ptrdiff_t>(half * kColumns), m_sum.end(), 0.0f);
    std::fill(m_count.begin() + static_cast<std::ptrdiff_t>(half * kColumns), m_count.end(), 0u);
    std::fill(m_info.begin() + static_cast<std::ptrdiff_t>(half), m_info.end(), RowInfo{});
    m_rows = half;
    m_scansPerRow *= 2;
}

UnrolledRow UnrolledRowOf(const ScanFigures& f, std::span<const AnalysedPoint> points,
                          std::span<const ProfileSample> samples) {
    UnrolledRow row;
    row.figures = f;
    if (!f.HasCentre()) return row;
    // With roll correction off the points are in the head's frame, turned by
    // its roll: the columns count from the pipe's up, as the 3D view's
    // read-out does, not from the head's.
    const double up = RingFrameOf(f, samples).upBearing;
    for (const AnalysedPoint& p : points) {
        if (!std::isfinite(p.deviation)) continue;
        // Bearing about the pipe's centre, clockwise from up, like the head's.
        const double bearing =
            std::atan2(p.x - f.centreX, p.y - f.centreY) * (180.0 / std::numbers::pi) - up;
        const int c = UnrolledMap::ColumnOf(bearing);
        row.sum[c] += static_cast<float>(p.deviation);
        ++row.count[c];
    }
    return row;
}

UnrolledMap::Change UnrolledMap::Add(const ScanFigures& f, std::span<const AnalysedPoint> points,
                                     std::span<const ProfileSample> samples) {
    return Add(UnrolledRowOf(f, points, samples));
}

UnrolledMap::Change UnrolledMap::Add(const UnrolledRow& scan) {
    const ScanFigures& f = scan.figures;
    Change change;
    // A new row when there is none or the last one holds its share of scans.
    if (m_rows == 0 || m_info[m_rows - 1].scans >= m_scansPerRow) {
        if (m_rows == m_maxRows) {
            Halve();
            change.all = true;
        }
        ++m_rows;
    }
    const std::size_t row = m_rows - 1;
    change.row = row;
    RowInfo& info = m_info[row];
    ++info.scans;
    if (std::isfinite(f.distance)) {
        info.distanceSum += f.distance;
        ++info.distances;
    }
    float* sum = &m_sum[row * kColumns];
    std::uint32_t* count = &m_count[row * kColumns];
    for (int c = 0; c < kColumns; ++c) {
        sum[c] += scan.sum[c];
        count[c] += scan.count[c];
    }
    return change;
}

double UnrolledMap::Distance(std::size_t row) const {
    if (row >= m_rows || m_info[row].distances == 0) return kNoValue;
    return m_info[row].distanceSum / m_info[row].distances;
}

double UnrolledMap::Deviation(std::size_t row, int column) const {
    if (row >= m_rows) return kNoValue;
    return FilledDeviation(&m_sum[row * kColumns], &m_count[row * kColumns], column);
}

double UnrolledMap::FilledDeviation(const float* sum, const std::uint32_t* count, int column) {
    if (column < 0 || column >= kColumns) return kNoValue;
    const auto mean = [&](int c) {
        const auto i = static_cast<std::size_t>((c + kColumns) % kColumns);
        return count[i] ? static_cast<double>(sum[i]) / count[i] : kNoValue;
    };
    const double own = mean(column);
    if (std::isfinite(own)) return own;
    double before = kNoValue, after = kNoValue;
    for (int k = 1; k <= kFillColumns && !std::isfinite(before); ++k)
        before = mean(column - k);
    for (int k = 1; k <= kFillColumns && !std::isfinite(after); ++k)
        after = mean(column + k);
    return (before + after) / 2.0; // NaN unless both were found
}

} // namespace analysis
