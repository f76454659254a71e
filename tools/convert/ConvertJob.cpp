#include "ConvertJob.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "JobPool.h"
#include "JobSurvey.h"
#include "StopSignals.h"
#include "SummaryWriter.h"
#include "analysis/SurveySummary.h"
#include "doc/ConditionOutput.h"
#include "doc/GeoJsonOutput.h"
#include "doc/GradeOutput.h"
#include "doc/ObservationOutput.h"
#include "doc/SurveyLength.h"
#include "doc/TubescanDoc.h"
#include "format/NumberText.h"
#include "report/ReportModule.h"
#include "survey/SurveyFile.h"

namespace convert {

namespace {

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SummaryText(const analysis::ConditionSurvey& survey) {
    const auto number = [](double v, int decimals) {
        return v == v ? FormatFixed(v, decimals) : std::string("n/a");
    };
    return "  " + std::to_string(survey.Scans()) + " scans; worst ovality (ASTM F1216) " +
           number(survey.WorstOvality(), 2) + " % at " + number(survey.WorstOvalityDistance(), 3) +
           " m; worst area loss " + number(survey.WorstAreaLoss(), 2) + " % at " +
           number(survey.WorstAreaLossDistance(), 3) + " m; debris volume " +
           number(survey.DebrisVolume(), 4) + " m3\n";
}

// The pass writes under a temporary name beside the output; a reason that
// names it names the output for the operator, who never sees the other.
std::string NamingTheOutput(std::string why, const std::string& target) {
    const std::string temporary = target + ".part" + std::to_string(::getpid());
    for (std::size_t at; (at = why.find(temporary)) != std::string::npos;)
        why.replace(at, temporary.size(), target);
    return why;
}

} // namespace

RunSettings LoadRunSettings(const ConvertOptions& options) {
    RunSettings run;
    const std::string programDir =
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString() + "/";
    const std::string settingsPath = ResolveSettingsPath(programDir);
    std::string settingsError;
    run.conversion.settings = IniFile::Load(settingsPath, &settingsError);
    if (!settingsError.empty() && ::access(settingsPath.c_str(), F_OK) == 0)
        std::fprintf(stderr,
                     "tubescan-convert: could not read the settings file %s (%s); the "
                     "factory settings are used.\n",
                     settingsPath.c_str(), settingsError.c_str());
    run.conversion.replace = options.force;
    run.conversion.stop = &g_stop;
    CTubescanDoc doc;
    doc.LoadSettings(run.conversion.settings);
    run.pipe = NominalPipeOf(doc);
    run.summarise = !options.summaryPath.empty();
    run.conversion.soundVelocity = options.scale.speed;
    run.speedUsed = options.scale.speed.value_or(doc.Settings().m_soundVelocity);
    return run;
}

JobResult ConvertJob(const Job& job, const ConvertOptions& options, const RunSettings& run,
                     const std::function<void(int)>& progress,
                     const std::function<PointCloudOutput::Analysis()>& lasAnalysis) {
    const std::string& input = job.input;
    JobResult result;
    conversion::Options mine = run.conversion;
    mine.progress = progress;
    const JobSurvey details = LoadJobSurvey(input, options);
    if (details.any) mine.survey = &details.details;
    analysis::SurveySummary summary(run.pipe);
    if (run.summarise) mine.tap = [&summary](const analysis::ProfileSample& s) { summary.Add(s); };

    // An output already there stays as it is; a summary still wants the
    // recording's figures, which a pass that writes nothing gives.
    std::error_code ec;
    if (options.skipExisting &&
        std::filesystem::exists(std::filesystem::symlink_status(job.target, ec))) {
        if (!options.quiet) result.out = input + " -> " + job.target + ": exists, left as it is\n";
        if (!run.summarise) return result;
        mine.analyseOnly = true;
        const conversion::Result r = conversion::ConvertRecordFile(input, job.target, mine);
        if (r.outcome == conversion::Outcome::Converted) {
            summary.Finish();
            result.summary =
                summary.Line(input, mine.survey ? *mine.survey : survey::SurveyDetails{});
        } else {
            result.failed = true;
            if (r.outcome != conversion::Outcome::Interrupted)
                result.err += "tubescan-convert: " + input + ": " + r.detail + "\n";
        }
        return result;
    }

    // How the scale was set, against the water the survey details give.
    const scale::Scale how = scale::DescribeScale(options.scale, run.speedUsed, details.details);
    ReportSettings reportSettings = options.report;
    reportSettings.speedOrigin = how.origin;
    reportSettings.calibration = how.calibration;
    reportSettings.scaleNote = how.note;

    std::unique_ptr<conversion::PointOutput> points;
    ConditionCsvOutput* table = nullptr;
    ReportCollector* document = nullptr;
    GradeCsvOutput* gradeTable = nullptr;
    std::string refusal;
    switch (options.kind) {
    case OutputKind::Xyz:
    case OutputKind::Compare: // run as a pair by RunCompare, never as one job
        break;
    case OutputKind::Analysis:
        points = std::make_unique<ConditionCsvOutput>();
        table = static_cast<ConditionCsvOutput*>(points.get());
        break;
    case OutputKind::Ply:
        points = std::make_unique<PointCloudOutput>(PointCloudOutput::Format::Ply);
        break;
    case OutputKind::Las: {
        auto cloud =
            std::make_unique<PointCloudOutput>(PointCloudOutput::Format::Las, lasAnalysis());
        // The points leave as they are placed: the length to stretch onto
        // the nodes comes from a pass of its own first.
        if (options.fitLength && details.any && details.details.startNodeCoordinates &&
            details.details.finishNodeCoordinates && !details.details.crs.empty())
            cloud->SetFitLength(conversion::MeasuredLength(input, mine));
        points = std::move(cloud);
        break;
    }
    case OutputKind::Report:
        points.reset(run.report->makeOutput(BaseName(input), reportSettings));
        document = static_cast<ReportCollector*>(points.get());
        break;
    case OutputKind::GeoJson: {
        analysis::ObservationThresholds thresholds;
        thresholds.ovality = options.report.thresholds.ovality;
        thresholds.depositLoss = options.report.thresholds.areaLoss;
        auto map = std::make_unique<GeoJsonOutput>(options.report.thresholds, thresholds);
        map->SetFitLength(options.fitLength);
        points = std::move(map);
        break;
    }
    case OutputKind::Grade:
        points = std::make_unique<GradeCsvOutput>();
        gradeTable = static_cast<GradeCsvOutput*>(points.get());
        break;
    case OutputKind::Observations: {
        const std::string tablePath = ObservationTablePath(input);
        for (const std::string& beside :
             {tablePath, ObservationOutput::InspectionPathFor(tablePath)})
            if (refusal.empty() && !mine.replace && ::access(beside.c_str(), F_OK) == 0)
                refusal = beside + " exists (--force replaces it)";
        analysis::ObservationThresholds thresholds;
        thresholds.ovality = options.report.thresholds.ovality;
        thresholds.depositLoss = options.report.thresholds.areaLoss;
        points = std::make_unique<ObservationOutput>(BaseName(input), tablePath, thresholds);
        break;
    }
    }
    // The outputs that analyse every scan anyway (the table, the LAS file,
    // the report, the observations) hand the summary their figures rather
    // than have it work each scan out again.
    if (run.summarise && points &&
        points->OnScan([&summary](const analysis::ScanFigures& f) { summary.AddScan(f); }))
        summary.TakeScansFromOutput();
    mine.points = points.get();
    conversion::Result r;
    if (refusal.empty()) {
        r = conversion::ConvertRecordFile(input, job.target, mine);
    } else {
        r.outcome = conversion::Outcome::OutputExists;
        r.detail = refusal;
    }
    // Said whatever became of the pass, and counted against the run: the
    // outputs went without the details their sidecar was meant to give.
    if (!details.refusal.empty()) {
        result.err += "tubescan-convert: " + details.refusal + "; " + input +
                      " is converted without its survey details\n";
        result.detailsRefused = true;
    }
    char line[64];
    if (r.outcome == conversion::Outcome::Converted) {
        if (!options.quiet) {
            std::snprintf(line, sizeof line, ": %llu points\n",
                          static_cast<unsigned long long>(r.lines));
            result.out = input + " -> " + job.target + line;
            if (options.kind == OutputKind::Observations)
                result.out +=
                    "  " +
                    std::to_string(
                        static_cast<ObservationOutput*>(points.get())->Observations().size()) +
                    " observations proposed; also " + ObservationTablePath(input) + "\n";
        }
        if (!options.quiet && table) result.out += SummaryText(table->Survey());
        // Not failures, but what a crew must know even with -q; each names
        // its recording, as a batch prints many.
        if (const std::string notes = points ? points->Notes() : std::string(); !notes.empty())
            result.err += "tubescan-convert: " + input + ": " + notes + "\n";
        if (r.cutTail > 0)
            result.err += "tubescan-convert: " + input + ": the last " + std::to_string(r.cutTail) +
                          " bytes are not a whole record (a recording cut short?) and were "
                          "left out\n";
        // The scale said once per recording, even with -q: a figure off by
        // a wrong speed looks like any other.
        for (const std::string& note :
             {conversion::StoredSpeedsNote(r.stored, run.speedUsed), how.note})
            if (!note.empty()) result.err += "tubescan-convert: " + input + ": " + note + "\n";
        if (run.summarise) {
            summary.Finish();
            result.summary =
                summary.Line(input, mine.survey ? *mine.survey : survey::SurveyDetails{});
        }
    } else if (r.outcome != conversion::Outcome::Interrupted) {
        result.failed = true;
        // A report that could not be drawn or a grade table without a
        // pitch says why; the pass's own reason is the generic one.
        const std::string drawn = document ? document->RenderError() : std::string();
        const std::string why = !drawn.empty()                               ? drawn
                                : gradeTable && !gradeTable->Error().empty() ? gradeTable->Error()
                                                                             : r.detail;
        result.err += "tubescan-convert: " + input + ": " + NamingTheOutput(why, job.target) + "\n";
    } else {
        result.failed = true;
    }
    return result;
}

int RunRingChecks(const ConvertOptions& options, const RunSettings& run) {
    int status = 0;
    for (const std::string& input : options.inputs) {
        if (g_stop.load() != 0) return 128 + g_stop.load();
        if (scale::RunRingCheck(input, run.conversion, *options.scale.ringDiameter,
                                run.speedUsed) != 0)
            status = 1;
    }
    return status;
}

int RunBatch(const ConvertOptions& options, const JobPlan& plan, const RunSettings& run) {
    SummaryWriter summary;
    if (run.summarise && !summary.Open(options.summaryPath, options.force, options.skipExisting))
        return 1;

    // Each job has its own document, analyser and output; what they share
    // is the settings (read only) and the printer, which has its own lock.
    const std::size_t count = plan.jobs.size();
    ResultPrinter printer(count, !options.quiet && ::isatty(STDERR_FILENO),
                          summary.IsOpen() ? &summary : nullptr);
    // -j N keeps at most N threads busy: one per file at once, and a file
    // may take a helper thread (the LAS analysis) only when no other file
    // waits for the thread it would use. The report's charts are widgets,
    // which live on the main thread only.
    const unsigned threads = options.kind == OutputKind::Report
                                 ? 1u
                                 : std::min<unsigned>(options.jobs, static_cast<unsigned>(count));
    JobPool pool(count, threads, options.jobs, g_stop);
    const auto lasAnalysis = [&pool] {
        return pool.HasSpareThread() ? PointCloudOutput::Analysis::OwnThread
                                     : PointCloudOutput::Analysis::InPass;
    };
    pool.Run([&](std::size_t i) {
        const auto progress = [&printer, i](int percent) { printer.Progress(i, percent); };
        printer.Done(i, ConvertJob(plan.jobs[i], options, run, progress, lasAnalysis));
    });
    printer.Close();

    const int signal = g_stop.load();
    if (!summary.Close(signal != 0)) return 1;
    if (signal != 0) {
        std::fprintf(stderr, "tubescan-convert: interrupted; partial outputs removed\n");
        return 128 + signal;
    }
    return printer.AnyFailed() ? 1 : 0;
}

} // namespace convert
