#include "report/ReportModule.h"

#include <QApplication>

namespace {

QCoreApplication* MakeApplication(int& argc, char** argv) {
    return new QApplication(argc, argv);
}

ReportCollector* MakeOutput(const std::string& recordingName, const ReportSettings& settings) {
    return new SurveyReportOutput(recordingName, settings);
}

constexpr ReportModule kModule{kReportModuleVersion, MakeApplication, MakeOutput,
                               WriteComparisonReport};

} // namespace

extern "C" __attribute__((visibility("default"))) const ReportModule* tubescan_report_module() {
    return &kModule;
}
