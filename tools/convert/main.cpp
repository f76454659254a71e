// tubescan-convert: converts TubescanL recordings (.31l) to .xyz text files
// from a shell, writing exactly what the program's own conversion writes
// with the same settings file. The parts: the options (ConvertOptions) and
// their checks (OptionChecks), the plan of jobs (JobPlan), one job
// (ConvertJob), the pool that runs them (JobPool), what they print
// (ResultPrinter, SummaryWriter), one report of several recordings
// (CombinedReport) and the report module (ReportModuleLoader).
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "ArgumentText.h"
#include "CombinedReport.h"
#include "CompareRun.h"
#include "ConvertJob.h"
#include "ConvertOptions.h"
#include "JobPlan.h"
#include "OptionChecks.h"
#include "ReportModuleLoader.h"
#include "StopSignals.h"
#include "report/ReportModule.h"

int main(int argc, char** argv) {
    using namespace convert;
    // Past a file-size limit a write must fail with EFBIG (reported, the
    // temporary file removed), not kill the converter without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    CatchStopSignals();
    const ReportModule* report = nullptr;
    if (AsksForReport(argc, argv)) {
        std::string why;
        report = LoadReportModule(why);
        if (!report) {
            std::fprintf(stderr, "tubescan-convert: cannot draw reports: %s\n", why.c_str());
            return 1;
        }
        PrepareReportPlatform();
    }
    const std::unique_ptr<QCoreApplication> app =
        report ? std::unique_ptr<QCoreApplication>(report->makeApplication(argc, argv))
               : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tubescan-convert"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TUBESCAN_VERSION));

    std::optional<ConvertOptions> options = ParseCommandLine(ArgumentList(argc, argv));
    if (!options) return kUsageError;
    options->report.version = TUBESCAN_VERSION;
    RunSettings run = LoadRunSettings(*options);
    run.report = report;
    if (!CheckThresholds(*options, run.pipe)) return kUsageError;
    if (options->scale.ringDiameter) return RunRingChecks(*options, run);
    if (options->kind == OutputKind::Compare) return RunCompare(*options, run);
    const JobPlan plan = PlanJobs(*options);
    if (!CheckPlan(*options, plan) || !CheckPlacement(*options, plan)) return kUsageError;
    if (plan.oneReport) {
        std::error_code ec;
        const std::string& target = plan.jobs.front().target;
        if (options->skipExisting &&
            std::filesystem::exists(std::filesystem::symlink_status(target, ec))) {
            if (!options->quiet) std::printf("%s: exists, left as it is\n", target.c_str());
            return 0;
        }
        return CombinedReport(*options, plan, run);
    }
    return RunBatch(*options, plan, run);
}
