// What changed on the wall between two surveys of one pipe, cell by cell of
// the unrolled map: the deviation the current survey measures minus the one
// the earlier survey measured at the same place of the pipe. The earlier
// survey is kept by distance along its own chainage (a survey of any length
// costs one row per cell of pipe, not one per scan); the current map's rows
// find their place on it through the alignment of the two surveys. Values
// in, values out.
#pragma once

#include <array>
#include <cstdint>
#include <map>

#include "analysis/SurveyAlignment.h"
#include "analysis/UnrolledMap.h"

namespace analysis {

// Half the span of the change's colour scale, metres: the end colours stand
// for +-this much. Narrower than the deviation's, as a change worth seeing
// between two surveys is smaller than the deviation of a pipe from its
// nominal shape.
inline constexpr double kChangeScale = 0.02;

class UnrolledByDistance {
  public:
    static constexpr int kColumns = UnrolledRow::kColumns;

    // Metres a distance looks along the pipe for a cell with a value: a
    // survey's scans may lie a few cells apart.
    static constexpr double kReach = 0.5;

    explicit UnrolledByDistance(double cell = 0.1);

    // A scan's row goes to the cell of its distance; a row without one has
    // no place on the pipe and is dropped.
    void Add(const UnrolledRow& row);
    std::size_t Cells() const { return m_cells.size(); }
    double Cell() const { return m_cell; }

    // The mean deviation at a distance (metres of this survey) and bearing
    // column: the cell of the distance, else the nearest cell with a value
    // within kReach, with the unrolled map's filling of short gaps across;
    // NaN where nothing was measured near.
    double Deviation(double distance, int column) const;

  private:
    struct Row {
        std::array<float, kColumns> sum{};
        std::array<std::uint32_t, kColumns> count{};
    };
    double ColumnValue(const Row& row, int column) const;

    double m_cell;
    std::map<long long, Row> m_cells;
};

// The change in a cell of the current map, current minus earlier (positive:
// the wall came inward since): the current row's distance put on the
// earlier survey's by the alignment (the current survey is the later one).
// NaN where either survey has no value.
double DeviationChange(double current, double currentDistance, int column,
                       const UnrolledByDistance& earlier, const Alignment& alignment);

} // namespace analysis
