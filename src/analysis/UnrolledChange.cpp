#include "analysis/UnrolledChange.h"

#include <algorithm>
#include <cmath>

namespace analysis {

UnrolledByDistance::UnrolledByDistance(double cell) : m_cell(cell > 0.0 ? cell : 0.1) {}

void UnrolledByDistance::Add(const UnrolledRow& row) {
    const double d = row.figures.distance;
    // Beyond +-1e9 cells a distance is a broken odometer, not a place.
    if (!std::isfinite(d) || std::abs(d / m_cell) > 1e9) return;
    Row& cell = m_cells[static_cast<long long>(std::floor(d / m_cell))];
    for (int c = 0; c < kColumns; ++c) {
        cell.sum[c] += row.sum[c];
        cell.count[c] += row.count[c];
    }
}

double UnrolledByDistance::ColumnValue(const Row& row, int column) const {
    return UnrolledMap::FilledDeviation(row.sum.data(), row.count.data(), column);
}

double UnrolledByDistance::Deviation(double distance, int column) const {
    if (!std::isfinite(distance) || std::abs(distance / m_cell) > 1e9) return kNoValue;
    const double at = distance / m_cell;
    const auto key = static_cast<long long>(std::floor(at));
    const auto value = [&](long long k) {
        const auto it = m_cells.find(k);
        return it == m_cells.end() ? kNoValue : ColumnValue(it->second, column);
    };
    const double own = value(key);
    if (std::isfinite(own)) return own;
    // A cell the survey passed without a scan in it (its scans lie further
    // apart than a cell): the nearest cell with a value within kReach stands
    // in, the nearer side first.
    const bool lowerFirst = at - static_cast<double>(key) < 0.5;
    const auto reach = static_cast<long long>(std::ceil(kReach / m_cell - 1e-9));
    for (long long k = 1; k <= reach; ++k) {
        const double first = value(lowerFirst ? key - k : key + k);
        if (std::isfinite(first)) return first;
        const double second = value(lowerFirst ? key + k : key - k);
        if (std::isfinite(second)) return second;
    }
    return kNoValue;
}

double DeviationChange(double current, double currentDistance, int column,
                       const UnrolledByDistance& earlier, const Alignment& alignment) {
    if (!std::isfinite(current) || !std::isfinite(currentDistance)) return kNoValue;
    return current - earlier.Deviation(alignment.ToOlder(currentDistance), column);
}

} // namespace analysis
