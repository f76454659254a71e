// The pipe unrolled: bearing about the pipe's centre across (one column per
// degree, clockwise from up), scans down in the order they came, each cell
// the mean deviation of the wall points that fell in it. The history is
// bounded: when every row is taken, neighbouring rows merge pairwise and
// each row then stands for twice as many scans, so a recording of any length
// keeps the same memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "analysis/PipeCondition.h"

namespace analysis {

// One scan's wall points binned by bearing about the pipe's centre (one
// column per degree): what the map takes as its share of a row. Made where the
// scan is analysed, so whoever draws the map need not see the points.
struct UnrolledRow {
    static constexpr int kColumns = 360;
    ScanFigures figures;
    std::array<float, kColumns> sum{};
    std::array<std::uint32_t, kColumns> count{};
};

// samples: the scan's own, for where the pipe's up lies among its points
// (their up bearing); without them the points' +Y is taken as up.
UnrolledRow UnrolledRowOf(const ScanFigures& figures, std::span<const AnalysedPoint> points,
                          std::span<const ProfileSample> samples = {});

class UnrolledMap {
  public:
    static constexpr int kColumns = UnrolledRow::kColumns;

    explicit UnrolledMap(std::size_t maxRows = 2048);

    // What adding a scan changed: the one row it went into, or every row
    // (the rows were merged to make room).
    struct Change {
        std::size_t row = 0;
        bool all = false;
    };
    Change Add(const ScanFigures& figures, std::span<const AnalysedPoint> points,
               std::span<const ProfileSample> samples = {});
    Change Add(const AnalysedScan& scan) { return Add(scan.figures, scan.points, scan.samples); }
    Change Add(const UnrolledRow& scan);
    void Clear();

    std::size_t Rows() const { return m_rows; }
    std::size_t MaxRows() const { return m_maxRows; }
    std::size_t ScansPerRow() const { return m_scansPerRow; }
    // The mean distance of the row's scans (NaN when none had one).
    double Distance(std::size_t row) const;
    // The mean deviation in a cell, metres. A cell no wall point fell in
    // takes the mean of the nearest cells with points on either side when
    // both lie within kFillColumns: a head stepping by more than a degree
    // leaves no stripes. NaN where nothing was measured near.
    double Deviation(std::size_t row, int column) const;
    static constexpr int kFillColumns = 2;
    // The same for one row's kColumns sums and counts, wherever they are kept.
    static double FilledDeviation(const float* sum, const std::uint32_t* count, int column);

    // The column of a bearing in degrees (any turn).
    static int ColumnOf(double bearing);

  private:
    struct RowInfo {
        double distanceSum = 0.0;
        std::uint32_t distances = 0, scans = 0;
    };
    void Halve();

    std::size_t m_maxRows;
    std::size_t m_rows = 0;
    std::size_t m_scansPerRow = 1;
    std::vector<float> m_sum;           // m_maxRows x kColumns
    std::vector<std::uint32_t> m_count; // the same
    std::vector<RowInfo> m_info;
};

} // namespace analysis
