// The inspection report as a module of its own. Drawing a report takes the
// graphics, chart and 3D libraries, whose loading was most of the
// converter's start-up; the converter loads this module only when it is
// asked for a report, so every other conversion starts without them.
#pragma once

#include <string>

#include "report/CompareReport.h"
#include "report/SurveyReport.h"

class QCoreApplication;

// The module's file, beside the converter or in the program's library folder.
inline constexpr const char* kReportModuleFile = "tubescan-report.so";
// Raised with every change to what the converter and the module share (this
// struct, ReportCollector, conversion::PointOutput, ReportSettings): a
// module of another build is refused with a reason, never called.
inline constexpr int kReportModuleVersion = 5;

struct ReportModule {
    int version; // kReportModuleVersion of the build that made the module
    // The application the report's charts need (they are graphics widgets).
    QCoreApplication* (*makeApplication)(int& argc, char** argv);
    // The report as a conversion output; its RenderError() says why a
    // report could not be drawn.
    ReportCollector* (*makeOutput)(const std::string& recordingName,
                                   const ReportSettings& settings);
    // The report of two surveys compared (WriteComparisonReport).
    bool (*writeComparison)(const analysis::Comparison& comparison, const CompareReportInfo& info,
                            const std::string& path, std::string* error);
};

// The one symbol the module exports.
inline constexpr const char* kReportModuleEntry = "tubescan_report_module";
extern "C" const ReportModule* tubescan_report_module();
