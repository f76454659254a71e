// The report of two surveys of one pipe compared: how they were lined up,
// then a page per figure with both surveys' profiles, the change, its
// detection limit and the significant stretches shaded, and the stretches
// listed. Drawn with the inspection report's page furniture and charts.
#pragma once

#include <string>

#include "analysis/SurveyComparison.h"
#include "format/SurveyDetails.h"

struct CompareReportInfo {
    std::string olderName, newerName; // the recordings, as named to the converter
    survey::SurveyDetails olderDetails, newerDetails;
    std::string version; // printed in every page's footer
};

// False, with the reason in *error, when the PDF cannot be written.
bool WriteComparisonReport(const analysis::Comparison& comparison, const CompareReportInfo& info,
                           const std::string& path, std::string* error);
