// Two surveys of one simulated pipe compared: the second made the other way
// with an odometer 2.5 % long, starting 0.4 m beyond the far node, its
// ovality grown from 3 to 6 % over 12 to 14 m and a flat layer grown from
// 0.05 to 0.12 m over 20 to 23 m. Writes both recordings (kept in DIR for
// tubescan-convert --compare), analyses them as the converter does and times
// the comparison alone, beside the analysis it follows; prints the
// alignment and the stretches found against the truth.
//   bench_compare [RECORDS] [DIR]      (default 700000 records each)
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../tests/support/PipeSurveyFile.h"
#include "RecordingScans.h"
#include "analysis/SurveyComparison.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a) {
    return std::chrono::duration<double>(Clock::now() - a).count();
}

std::vector<analysis::ScanFigures> Analyse(const std::string& path) {
    return benchscans::Analyse(path, "bench_compare");
}

} // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 700000;
    const std::string dir = argc > 2 ? argv[2] : "/tmp";
    // A scan every 0.1 m: 400 pings of 0.05 s per revolution.
    const double speed = 0.1 / (400 * pipesurvey::kPingPeriod);
    const double length = speed * pipesurvey::kPingPeriod * records;
    sim::PipeParams older;
    older.travelSpeed = speed;
    older.ovality = 0.005;
    // Unchanged oval places every few metres line the surveys up.
    for (double at = 5.0; at + 1.0 < length; at += 9.7)
        if (at < 11.0 || (at > 15.0 && at < 19.0) || at > 24.0)
            older.ovalStretches.push_back({at, at + 0.6 + std::fmod(at, 0.7), 0.02});
    older.ovalStretches.push_back({12.0, 14.0, 0.03});
    older.layerStretches.push_back({20.0, 23.0, 0.05});
    sim::PipeParams newer = older;
    newer.ovalStretches.back().value = 0.06;
    newer.layerStretches.back().value = 0.12;
    newer.startAt = length + 0.4; // 0.4 m before the far node, where the first one ended
    newer.travelDirection = -1.0;
    newer.odometerScale = 1.025;
    newer.seed = 5;
    const std::string a = dir + "/older.31l", b = dir + "/newer.31l";
    auto t0 = Clock::now();
    if (!pipesurvey::WriteSurveyFile(a, older, records) ||
        !pipesurvey::WriteSurveyFile(b, newer, records)) {
        std::fprintf(stderr, "bench_compare: cannot write the recordings in %s\n", dir.c_str());
        return 1;
    }
    std::printf("recordings: 2 x %d records, %.1f m of pipe, written in %.1f s\n", records, length,
                Seconds(t0));
    t0 = Clock::now();
    const auto olderScans = Analyse(a);
    const auto newerScans = Analyse(b);
    const double analysis = Seconds(t0);
    t0 = Clock::now();
    const analysis::Comparison c =
        analysis::CompareSurveys(olderScans, newerScans, analysis::TravelDirection::Opposite);
    const double compare = Seconds(t0);
    std::printf("analysis of both: %.2f s (%zu + %zu scans); comparison: %.3f s (%.1f %% of the "
                "analysis; ceiling 10 s)\n",
                analysis, olderScans.size(), newerScans.size(), compare,
                100.0 * compare / analysis);
    const analysis::Alignment& al = c.alignment;
    std::printf("alignment: %s, scale %.5f (truth %.5f), offset %+.3f m, correlation %.3f%s\n",
                al.reversed ? "opposite" : "same", al.scale, 1.0 / 1.025, al.offset, al.correlation,
                al.uncertain ? " uncertain" : "");
    for (const double d : {1.0, length / 2, length - 1.0})
        std::printf("  later %.2f m -> earlier %.3f m (truth %.3f m)\n", d, al.ToOlder(d),
                    newer.startAt - d / 1.025);
    std::printf("truth: ovality 12.00 to 14.00 m (3 -> 6 %%), debris layer 20.00 to 23.00 m "
                "(0.05 -> 0.12 m)\n");
    for (const analysis::ChangeStretch& s : c.stretches)
        std::printf("found: %6.2f to %6.2f m  %-13s %.4g -> %.4g (%+.4g)\n", s.from, s.to,
                    analysis::CompareFigures()[s.figure].key, s.older, s.newer, s.change);
    return 0;
}
