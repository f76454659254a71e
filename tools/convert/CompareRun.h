// --compare OLD.31l NEW.31l: the two recordings analysed, put on one chainage
// and compared (analysis/SurveyComparison); the table NEW.compare.csv and,
// with the report module, its report NEW.compare.pdf beside it.
#pragma once

#include "ConvertJob.h"
#include "ConvertOptions.h"

namespace convert {

// Where the comparison's table and report go: -o's path (the report beside
// it with ".pdf" for its ".csv"), else beside the newer recording.
std::string CompareTablePath(const ConvertOptions& options);
std::string CompareReportPath(const std::string& tablePath);

// The converter's exit status: 0 written, 1 a failure or a refusal (an
// output that exists, two different pipes), 128 + the signal when stopped.
int RunCompare(const ConvertOptions& options, const RunSettings& run);

} // namespace convert
