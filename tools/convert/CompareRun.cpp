#include "CompareRun.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "JobSurvey.h"
#include "StopSignals.h"
#include "analysis/SurveyComparison.h"
#include "doc/ConditionOutput.h"
#include "report/ReportModule.h"

namespace convert {

namespace {

namespace fs = std::filesystem;

// The figures of every scan of a recording, by the analysis every other
// output uses; the table it writes on the way goes to the scratch folder.
struct Analysed {
    std::vector<analysis::ScanFigures> scans;
    JobSurvey details;
    conversion::Result result;
};

Analysed Analyse(const std::string& input, const ConvertOptions& options, const RunSettings& run,
                 const std::string& scratch) {
    Analysed a;
    a.details = LoadJobSurvey(input, options);
    ConditionCsvOutput table;
    table.OnScan([&a](const analysis::ScanFigures& f) { a.scans.push_back(f); });
    conversion::Options mine = run.conversion;
    mine.points = &table;
    mine.replace = true;
    mine.progress = nullptr;
    if (a.details.any) mine.survey = &a.details.details;
    a.result = conversion::ConvertRecordFile(input, scratch + "/figures.csv", mine);
    return a;
}

bool WriteTable(const analysis::Comparison& c, const std::string& path, std::string* why) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        *why = std::strerror(errno);
        return false;
    }
    bool ok = std::fprintf(f, "%s\n", analysis::kCompareCsvHeader) > 0;
    for (const analysis::CompareRow& r : c.rows)
        ok = ok && std::fprintf(f, "%s\n", analysis::CompareCsvLine(r).c_str()) > 0;
    ok = std::fflush(f) == 0 && ok;
    const int err = errno;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) *why = std::strerror(err ? err : EIO);
    return ok;
}

std::string AlignmentLine(const analysis::Alignment& a) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "alignment: %s, scale %.4f (as good within +-%.2f %%), offset %+.2f m, "
                  "correlation %.3f",
                  a.reversed ? "opposite directions" : "same direction", a.scale,
                  100.0 * a.scaleSpread, a.offset, a.correlation);
    return a.uncertain ? text + (" (uncertain: " + analysis::UncertainWhy(a) + ")") : text;
}

} // namespace

std::string CompareTablePath(const ConvertOptions& options) {
    if (!options.outputPath.empty()) return options.outputPath;
    return record::PathWithExtension(options.inputs[1], "compare.csv");
}

std::string CompareReportPath(const std::string& tablePath) {
    const std::string ext = ".csv";
    if (tablePath.size() > ext.size() &&
        tablePath.compare(tablePath.size() - ext.size(), ext.size(), ext) == 0)
        return tablePath.substr(0, tablePath.size() - ext.size()) + ".pdf";
    return tablePath + ".pdf";
}

int RunCompare(const ConvertOptions& options, const RunSettings& run) {
    const std::string& olderPath = options.inputs[0];
    const std::string& newerPath = options.inputs[1];
    const std::string table = CompareTablePath(options);
    const std::string report = CompareReportPath(table);
    for (const std::string* out : {&table, &report})
        if (!options.force && ::access(out->c_str(), F_OK) == 0) {
            std::fprintf(stderr, "tubescan-convert: %s exists (--force replaces it)\n",
                         out->c_str());
            return 1;
        }
    std::string scratch = (fs::temp_directory_path() / "tubescan-compare-XXXXXX");
    if (!::mkdtemp(scratch.data())) {
        std::fprintf(stderr, "tubescan-convert: no scratch folder: %s\n", std::strerror(errno));
        return 1;
    }
    const auto cleanUp = [&scratch] {
        std::error_code ec;
        fs::remove_all(scratch, ec);
    };
    Analysed older = Analyse(olderPath, options, run, scratch);
    Analysed newer = older.result.outcome == conversion::Outcome::Converted && g_stop.load() == 0
                         ? Analyse(newerPath, options, run, scratch)
                         : Analysed{};
    if (g_stop.load() != 0) {
        cleanUp();
        std::fprintf(stderr, "tubescan-convert: interrupted; partial outputs removed\n");
        return 128 + g_stop.load();
    }
    for (const auto& [path, a] : {std::pair{&olderPath, &older}, std::pair{&newerPath, &newer}}) {
        if (a->result.outcome != conversion::Outcome::Converted) {
            std::fprintf(stderr, "tubescan-convert: %s: %s; nothing is compared\n", path->c_str(),
                         a->result.detail.c_str());
            cleanUp();
            return 1;
        }
        if (a->scans.empty()) {
            std::fprintf(stderr, "tubescan-convert: %s: no scan in it; nothing is compared\n",
                         path->c_str());
            cleanUp();
            return 1;
        }
    }
    bool detailsRefused = false;
    for (const auto& [path, a] : {std::pair{&olderPath, &older}, std::pair{&newerPath, &newer}})
        if (!a->details.refusal.empty()) {
            std::fprintf(stderr,
                         "tubescan-convert: %s; %s is compared without its survey details\n",
                         a->details.refusal.c_str(), path->c_str());
            detailsRefused = true;
        }
    // Two different pipes compared would name changes that are none.
    const std::string& pipeA = older.details.details.pipeReference;
    const std::string& pipeB = newer.details.details.pipeReference;
    if (!pipeA.empty() && !pipeB.empty() && pipeA != pipeB && !options.force) {
        std::fprintf(stderr,
                     "tubescan-convert: %s is of pipe \"%s\", %s of pipe \"%s\": not one pipe "
                     "(--force compares them anyway)\n",
                     olderPath.c_str(), pipeA.c_str(), newerPath.c_str(), pipeB.c_str());
        cleanUp();
        return 1;
    }

    analysis::CompareOptions how;
    how.thresholds = options.report.thresholds;
    const analysis::TravelDirection direction =
        analysis::DirectionOf(older.details.details, newer.details.details);
    const analysis::Comparison c =
        analysis::CompareSurveys(older.scans, newer.scans, direction, how);
    if (!std::isfinite(c.alignment.correlation)) {
        std::fprintf(stderr,
                     "tubescan-convert: %s and %s cannot be lined up (too little of either "
                     "measured along the pipe); nothing is compared\n",
                     olderPath.c_str(), newerPath.c_str());
        cleanUp();
        return 1;
    }

    // Both files are made under temporary names and put in place together.
    const std::string tableTemp = table + ".part" + std::to_string(::getpid());
    const std::string reportTemp = report + ".part" + std::to_string(::getpid());
    std::string why;
    int status = 0;
    if (!WriteTable(c, tableTemp, &why)) {
        std::fprintf(stderr, "tubescan-convert: %s: %s\n", table.c_str(), why.c_str());
        status = 1;
    }
    if (status == 0 && run.report) {
        CompareReportInfo info;
        info.olderName = olderPath;
        info.newerName = newerPath;
        info.olderDetails = older.details.details;
        info.newerDetails = newer.details.details;
        info.version = options.report.version;
        if (!run.report->writeComparison(c, info, reportTemp, &why)) {
            std::fprintf(stderr, "tubescan-convert: %s: %s\n", report.c_str(), why.c_str());
            status = 1;
        }
    }
    std::error_code ec;
    if (status == 0 && run.report) fs::rename(reportTemp, report, ec);
    if (status == 0 && !ec) fs::rename(tableTemp, table, ec);
    if (status == 0 && ec) {
        std::fprintf(stderr, "tubescan-convert: %s: %s\n", table.c_str(), ec.message().c_str());
        status = 1;
    }
    fs::remove(tableTemp, ec);
    fs::remove(reportTemp, ec);
    cleanUp();
    if (status != 0) return status;

    // The alignment is worth hearing even with -q when it cannot be trusted.
    if (c.alignment.uncertain)
        std::fprintf(stderr,
                     "tubescan-convert: %s and %s line up poorly (%s); check the changes "
                     "found\n",
                     olderPath.c_str(), newerPath.c_str(), AlignmentLine(c.alignment).c_str());
    if (!options.quiet) {
        std::printf("%s + %s -> %s%s%s\n", olderPath.c_str(), newerPath.c_str(), table.c_str(),
                    run.report ? ", " : "", run.report ? report.c_str() : "");
        std::printf("%s\n", AlignmentLine(c.alignment).c_str());
        for (const analysis::ChangeStretch& s : c.stretches)
            std::printf("changed: %.2f to %.2f m, %s %.4g -> %.4g (%+.4g)\n", s.from, s.to,
                        analysis::CompareFigures()[s.figure].name, s.older, s.newer, s.change);
        if (c.stretches.empty()) std::printf("changed: nothing over its detection limit\n");
    }
    return detailsRefused ? 1 : 0;
}

} // namespace convert
