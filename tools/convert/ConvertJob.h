// One recording converted to the output the run asked for, with what it
// leaves to print.
#pragma once

#include <functional>

#include "ConvertOptions.h"
#include "JobPlan.h"
#include "ResultPrinter.h"
#include "analysis/Observations.h"
#include "analysis/PipeCondition.h"
#include "doc/PointCloudOutput.h"
#include "doc/RecordConversion.h"

struct ReportModule;

namespace convert {

// What every job of a run shares (read only).
struct RunSettings {
    conversion::Options conversion;       // the settings file and the run's rules
    analysis::NominalPipe pipe;           // the settings' nominal pipe
    const ReportModule* report = nullptr; // loaded when a report is asked for
    bool summarise = false;               // a --summary line is wanted
};

// Reads the settings file the program itself would read (the converter
// never writes it); an unreadable one is said and the factory settings used.
RunSettings LoadRunSettings(const ConvertOptions& options);

// Converts job's input; progress is handed the percent done; lasAnalysis
// says whether a LAS file may analyse on a thread of its own.
JobResult ConvertJob(const Job& job, const ConvertOptions& options, const RunSettings& run,
                     const std::function<void(int)>& progress,
                     const std::function<PointCloudOutput::Analysis()>& lasAnalysis);

// Every job of the plan on the pool, their results printed and summarised;
// the converter's exit status.
int RunBatch(const ConvertOptions& options, const JobPlan& plan, const RunSettings& run);

} // namespace convert
