// The pipe-condition table: one line per scan, numbers with "." whatever
// the locale, an empty field where a scan did not cover enough for a figure.
#pragma once

#include <string>

#include "analysis/PipeCondition.h"

namespace analysis {

inline constexpr const char* kConditionCsvHeader =
    "scan,time,distance_m,points,coverage_deg,centre_x_m,centre_y_m,mean_diameter_m,"
    "min_diameter_m,max_diameter_m,ovality_pct,open_area_m2,area_loss_pct,debris_depth_m,"
    "debris_area_m2";

// "2026-03-07T09:05:03.007" for StampSeconds' seconds; empty when NaN.
std::string IsoTime(double seconds);

// One line for scan number `scan` (from 1), "\n" included. Replaces out.
void BuildConditionCsvLine(std::string& out, std::size_t scan, const ScanFigures& f);

} // namespace analysis
