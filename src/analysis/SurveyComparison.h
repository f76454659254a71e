// What changed in a pipe between two surveys of it: both put on one chainage
// (SurveyAlignment), each figure resampled onto a common grid of the earlier
// survey's distances, the change per cell against a detection limit worked
// out from the surveys' own scatter, and the stretches where the change is
// significant, named. Values in, values out.
//
// The detection limit of a cell, at 95 %, in the manner of a level of
// detection between two point clouds:
//     limit = 1.96 x sqrt(s1^2 / n1 + s2^2 / n2) + registration
// s1, s2: each survey's scatter of the figure from one scan to the next (the
// standard deviation of the differences between neighbouring scans, over
// sqrt 2: a difference holds two scans' noise), on scans outside the findings, where the pipe
// itself should not change from scan to scan; n1, n2: the scans averaged in the cell (1 for a cell
// bridged between scans). registration: the smaller of the two surveys' steps of the figure from
// the cell to its neighbours, the most that a misregistration of up to half a cell can change a
// cell where both surveys see the figure change along the pipe; where only one of them does, it is
// the other's noise.
//
// A cell's change is significant above its limit; a significant stretch is a
// run of such cells with a change of one sign (a single cell short of the
// limit between two that are over it does not break it) at least minStretch
// long. Shorter runs are not named and not marked: at 95 % one cell in
// twenty of an unchanged pipe would be.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "analysis/ConditionFindings.h"
#include "analysis/SurveyAlignment.h"
#include "format/SurveyDetails.h"

namespace analysis {

// The figures compared, in the table's order.
inline constexpr std::size_t kCompareFigures = 4;
struct CompareFigure {
    const char* key; // in the table's significant column
    const char* name;
    ScanFigure field;
};
const std::array<CompareFigure, kCompareFigures>& CompareFigures();

struct CompareOptions {
    AlignmentOptions alignment;
    double cell = 0.1;       // metres of the common grid
    double minStretch = 0.3; // metres: shorter significant runs are not named
    double maxGap = 1.0;     // metres between scans bridged on the grid
    double confidence = 1.96;
    // A scan with a figure over these lies in a finding: its scatter is the
    // pipe's, not the survey's, and is left out of the noise.
    ReportThresholds thresholds;
};

struct CompareRow {
    double distance = 0.0; // metres of the earlier survey, the cell's middle
    std::array<double, kCompareFigures> older{}, newer{}, limit{};
    unsigned significant = 0; // bit i: figure i's change is significant here
    double Change(std::size_t f) const { return newer[f] - older[f]; }
};

struct ChangeStretch {
    std::size_t figure = 0;
    double from = 0.0, to = 0.0; // metres of the earlier survey, cell edges
    double older = kNoValue, newer = kNoValue, change = kNoValue; // means over the stretch
};

struct Comparison {
    Alignment alignment;
    std::array<double, kCompareFigures> olderScatter{}, newerScatter{}; // per scan
    std::vector<CompareRow> rows;
    std::vector<ChangeStretch> stretches; // by figure, then distance
};

// The scatter of one figure from scan to scan (see above), leaving out the
// scans of findings at least `least` metres long; NaN with fewer than two
// neighbouring pairs.
double NeighbourScatter(std::span<const ScanFigures> scans, ScanFigure figure,
                        const ReportThresholds& thresholds, double least = 0.3);

Comparison CompareSurveys(std::span<const ScanFigures> older, std::span<const ScanFigures> newer,
                          TravelDirection direction, const CompareOptions& options = {});

// Which way the later survey went against the earlier one by their details:
// the nodes swapped, or else the directions differing, say opposite.
TravelDirection DirectionOf(const survey::SurveyDetails& older, const survey::SurveyDetails& newer);

// The comparison table: this header, one line per grid cell.
inline constexpr const char* kCompareCsvHeader =
    "distance_m,old_mean_diameter_m,new_mean_diameter_m,old_ovality_pct,new_ovality_pct,"
    "ovality_change_pp,old_area_loss_pct,new_area_loss_pct,area_loss_change_pp,"
    "old_debris_depth_m,new_debris_depth_m,debris_change_m,significant";
// The line of a row, without its line end.
std::string CompareCsvLine(const CompareRow& row);

} // namespace analysis
