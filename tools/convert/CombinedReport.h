// Several recordings of one pipe drawn as one report.
#pragma once

#include "ConvertJob.h"

namespace convert {

// The report of plan's recordings to options.outputPath, ordered by the time
// and then the distance at which each starts; the converter's exit status.
int CombinedReport(const ConvertOptions& options, const JobPlan& plan, const RunSettings& run);

} // namespace convert
