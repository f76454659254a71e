#include "CombinedReport.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <tuple>
#include <unistd.h>

#include "JobSurvey.h"
#include "StopSignals.h"
#include "report/ReportModule.h"

namespace convert {

namespace {

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where a recording starts: the time and distance of its first profile
// point (NaN where it has none), from a pass that stops there; or, for a
// recording without a single point, why (empty when it has one).
struct FirstPlace {
    std::pair<double, double> place{NAN, NAN};
    std::string failure;
};

FirstPlace FindFirstPlace(const std::string& input, conversion::Options options,
                          const std::string& scratch) {
    std::atomic<int> found{0};
    FirstPlace first;
    options.points = nullptr;
    options.progress = nullptr;
    options.replace = true;
    options.stop = &found;
    options.tap = [&](const analysis::ProfileSample& s) {
        if (found.load() != 0) return;
        first.place = {s.time, s.distance};
        found.store(1);
    };
    const conversion::Result r =
        conversion::ConvertRecordFile(input, scratch + "/first.xyz", options);
    if (found.load() == 0) first.failure = r.detail.empty() ? "has no usable records" : r.detail;
    return first;
}

} // namespace

// The passes before the last write to a scratch folder (nothing of them is
// kept); the last one writes the report under the rules of every output.
int CombinedReport(const ConvertOptions& options, const JobPlan& plan, const RunSettings& run) {
    const std::string& output = options.outputPath;
    if (!options.force && ::access(output.c_str(), F_OK) == 0) {
        std::fprintf(stderr, "tubescan-convert: %s exists (--force replaces it)\n", output.c_str());
        return 1;
    }
    std::string scratch = (std::filesystem::temp_directory_path() / "tubescan-report-XXXXXX");
    if (!::mkdtemp(scratch.data())) {
        std::fprintf(stderr, "tubescan-convert: no scratch folder: %s\n", std::strerror(errno));
        return 1;
    }
    struct Part {
        std::string path;
        std::pair<double, double> start;
    };
    std::vector<Part> parts;
    int status = 0;
    for (const Job& job : plan.jobs) {
        const FirstPlace first = FindFirstPlace(job.input, run.conversion, scratch);
        if (g_stop.load() != 0) {
            status = 128 + g_stop.load();
            break;
        }
        // A part without a point would stand in the report's title with
        // nothing of it drawn: every one is named, and no report is written.
        if (!first.failure.empty()) {
            std::fprintf(stderr, "tubescan-convert: %s: %s; the report is not written\n",
                         job.input.c_str(), first.failure.c_str());
            status = 1;
        }
        parts.push_back({job.input, first.place});
    }
    if (status != 0) parts.clear();
    // Recordings with no time at all go last, in the order given.
    std::stable_sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) {
        const auto key = [](const Part& p) {
            return std::tuple(std::isnan(p.start.first),
                              std::isnan(p.start.first) ? 0.0 : p.start.first,
                              std::isnan(p.start.second) ? 0.0 : p.start.second);
        };
        return key(a) < key(b);
    });
    std::string names;
    for (const Part& p : parts)
        names += (names.empty() ? "" : ", ") + BaseName(p.path);
    const std::unique_ptr<ReportCollector> made(run.report->makeOutput(names, options.report));
    ReportCollector& document = *made;
    document.GatherParts(parts.size());
    bool detailsRefused = false;
    for (std::size_t i = 0; i < parts.size() && status == 0; ++i) {
        const bool last = i + 1 == parts.size();
        conversion::Options mine = run.conversion;
        mine.points = &document;
        const JobSurvey details = LoadJobSurvey(parts[i].path, options);
        if (details.any) mine.survey = &details.details;
        if (!details.refusal.empty()) {
            std::fprintf(stderr, "tubescan-convert: %s; %s is drawn without its survey details\n",
                         details.refusal.c_str(), parts[i].path.c_str());
            detailsRefused = true;
        }
        if (!last) mine.replace = true;
        const std::string target = last ? output : scratch + "/part.pdf";
        const conversion::Result r = conversion::ConvertRecordFile(parts[i].path, target, mine);
        if (r.outcome == conversion::Outcome::Interrupted) {
            status = 128 + g_stop.load();
        } else if (r.outcome != conversion::Outcome::Converted) {
            const std::string drawn = document.RenderError();
            const std::string why = !drawn.empty() ? drawn : r.detail;
            std::fprintf(stderr, "tubescan-convert: %s: %s; the report is not written\n",
                         parts[i].path.c_str(), why.c_str());
            status = 1;
        } else if (!options.quiet) {
            std::printf("%s -> %s\n", parts[i].path.c_str(), last ? output.c_str() : "(gathered)");
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(scratch, ec);
    if (status == 0 && detailsRefused) status = 1;
    if (status > 128)
        std::fprintf(stderr, "tubescan-convert: interrupted; partial outputs removed\n");
    return status;
}

} // namespace convert
