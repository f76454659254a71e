#include "OptionChecks.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <sys/stat.h>

#include "ArgumentText.h"
#include "JobSurvey.h"
#include "analysis/PipeAxis.h"
#include "analysis/WorldCrs.h"
#include "doc/ObservationOutput.h"
#include "format/RecordFileName.h"

namespace convert {

namespace {

// What a path names, so that two names of one file are told as one: the
// device and inode of a file that exists, else the absolute path with "."
// and ".." worked out.
std::string FileIdentity(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    return std::filesystem::weakly_canonical(absolute, ec).lexically_normal().string();
}

} // namespace

bool CheckThresholds(ConvertOptions& options, const analysis::NominalPipe& pipe) {
    for (std::size_t i = 0; i < kThresholds.size(); ++i) {
        if (!options.thresholdTexts[i]) continue;
        const ThresholdOption& t = kThresholds[i];
        // Past these a threshold means nothing: no ovality or loss beyond all
        // of the pipe, no debris deeper than the pipe is high.
        const double most =
            t.field == &analysis::ReportThresholds::debrisDepth ? geo::NominalHeight(pipe) : 100.0;
        bool ok = false;
        const double value = options.thresholdTexts[i]->toDouble(&ok);
        if (!ok || !std::isfinite(value) || value < 0.0 || value > most) {
            Usage(QStringLiteral("--%1 needs a number from 0 to %2")
                      .arg(QString::fromLatin1(t.name))
                      .arg(most));
            return false;
        }
        options.report.thresholds.*t.field = value;
    }
    return true;
}

bool CheckPlan(const ConvertOptions& options, const JobPlan& plan) {
    std::map<std::string, std::size_t> seen; // identity -> the input that took it
    for (std::size_t i = 0; i < plan.jobs.size(); ++i) {
        const Job& job = plan.jobs[i];
        const std::string key = FileIdentity(plan.oneReport ? job.input : job.target);
        const auto [at, fresh] = seen.emplace(key, i);
        if (fresh) continue;
        const Job& first = plan.jobs[at->second];
        const QString firstName = ArgumentText(first.input);
        const QString name = options.inputNames[static_cast<qsizetype>(i)];
        // Two recordings whose names differ only where the output's does not
        // (pipe.31l, pipe.31L) are two files: what they share is the output.
        if (!plan.oneReport && FileIdentity(first.input) != FileIdentity(job.input))
            Usage(QStringLiteral("%1 and %2 would both be written to %3")
                      .arg(firstName, name, ArgumentText(job.target)));
        else
            Usage(QStringLiteral("%1 and %2 are one recording given twice").arg(firstName, name));
        return false;
    }
    if (!options.summaryPath.empty()) {
        bool clash = record::HasRecordFileName(options.summaryPath);
        const std::string key = FileIdentity(options.summaryPath);
        for (const Job& job : plan.jobs)
            clash = clash || key == FileIdentity(job.input) || key == FileIdentity(job.target) ||
                    (options.kind == OutputKind::Observations &&
                     (key == FileIdentity(ObservationTablePath(job.input)) ||
                      key == FileIdentity(ObservationOutput::InspectionPathFor(
                                 ObservationTablePath(job.input)))));
        if (clash) {
            Usage(QStringLiteral("--summary %1 names a recording or an output of this run")
                      .arg(options.summaryName));
            return false;
        }
        if (plan.oneReport) {
            Usage(QStringLiteral("--summary is for separate files, not one report"));
            return false;
        }
    }
    return true;
}

bool CheckPlacement(const ConvertOptions& options, const JobPlan& plan) {
    if (options.kind != OutputKind::Las && options.kind != OutputKind::GeoJson) return true;
    std::map<std::string, bool> known; // each system resolved once
    for (std::size_t i = 0; i < plan.jobs.size(); ++i) {
        const JobSurvey job = LoadJobSurvey(plan.jobs[i].input, options);
        const survey::SurveyDetails& d = job.details;
        if (d.crs.empty() || known.count(d.crs) != 0) continue;
        const geo::CrsResult crs = geo::ResolveCrs(d.crs);
        known[d.crs] = true;
        if (!crs.crs) {
            Usage(options.inputNames[static_cast<qsizetype>(i)] + QStringLiteral(": ") +
                  QString::fromStdString(crs.error));
            return false;
        }
    }
    return true;
}

} // namespace convert
