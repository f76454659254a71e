// Short, quiet surveys of one simulated pipe whose features are steps (a
// debris layer that starts and stops, an oval stretch): where the correlation
// of the profiles barely falls off either side of the truth. Writes three
// recordings of about 7 m into DIR for tubescan-convert --compare:
//   a.31l  downstream from the near node, odometer true;
//   b.31l  downstream again, started 0.3 m further on, odometer true;
//   c.31l  upstream from 7.4 m, odometer 2.5 % long;
// and prints the alignment of b and c on a, whole and while being made,
// against the truth.
//   bench_align_short [DIR]      (default /tmp)
#include <cstdio>
#include <string>
#include <vector>

#include "../tests/support/PipeSurveyFile.h"
#include "RecordingScans.h"
#include "analysis/SurveyAlignment.h"

namespace {

std::vector<analysis::ScanFigures> Analyse(const std::string& path) {
    return benchscans::Analyse(path, "bench_align_short");
}

void Print(const char* what, const analysis::Alignment& a, double scale, double offset) {
    std::printf("%-28s scale %.4f (truth %.4f), offset %+.3f m (truth %+.3f), r %.3f, "
                "scale to +-%.2f %%%s\n",
                what, a.scale, scale, a.offset, offset, a.correlation, 100.0 * a.scaleSpread,
                a.uncertain ? " uncertain" : "");
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "/tmp";
    constexpr double kLength = 7.0;
    sim::PipeParams a;
    a.travelSpeed = 0.1 / (400 * pipesurvey::kPingPeriod); // a scan every 0.1 m
    a.noise = 2.0;
    a.ovality = 0.005;
    a.layerStretches = {{1.5, 3.0, 0.06}};
    a.ovalStretches = {{4.2, 5.4, 0.03}};
    const int records = static_cast<int>(kLength / a.travelSpeed / pipesurvey::kPingPeriod);
    sim::PipeParams b = a;
    b.startAt = 0.3;
    b.seed = 4;
    sim::PipeParams c = a;
    c.startAt = kLength + 0.4;
    c.travelDirection = -1.0;
    c.odometerScale = 1.025;
    c.seed = 9;
    for (const auto& [name, pipe] : {std::pair{"a", a}, std::pair{"b", b}, std::pair{"c", c}})
        if (!pipesurvey::WriteSurveyFile(dir + "/" + name + ".31l", pipe, records)) {
            std::fprintf(stderr, "bench_align_short: cannot write in %s\n", dir.c_str());
            return 1;
        }
    const auto sa = Analyse(dir + "/a.31l"), sb = Analyse(dir + "/b.31l"),
               sc = Analyse(dir + "/c.31l");
    using analysis::TravelDirection;
    // The truth in the alignment's own terms: b's chainage counts from its
    // first scan, 0.3 m further on; c's back from its last scan, read 2.5 %
    // long from 7.4 m.
    const auto first = [](const auto& s) { return s.empty() ? 0.0 : s.front().distance; };
    const auto last = [](const auto& s) { return s.empty() ? 0.0 : s.back().distance; };
    const analysis::Alignment ab = analysis::AlignSurveys(sa, sb, TravelDirection::Same);
    Print("b on a (whole)", ab, 1.0, 0.3 + first(sb) - first(sa));
    const analysis::Alignment ac = analysis::AlignSurveys(sa, sc, TravelDirection::Opposite);
    Print("c on a (whole)", ac, 1.0 / 1.025, c.startAt - last(sc) / 1.025 - first(sa));
    std::printf("  c at 1, 3.5, 6 m -> a at %.3f %.3f %.3f (truth %.3f %.3f %.3f)\n",
                ac.ToOlder(1.0), ac.ToOlder(3.5), ac.ToOlder(6.0), c.startAt - 1.0 / 1.025,
                c.startAt - 3.5 / 1.025, c.startAt - 6.0 / 1.025);
    for (const double soFar : {4.5, 6.0}) {
        std::vector<analysis::ScanFigures> part;
        for (const auto& f : sc)
            if (f.distance <= soFar) part.push_back(f);
        const analysis::Alignment live = analysis::AlignSoFar(sa, part, TravelDirection::Opposite);
        char what[64];
        std::snprintf(what, sizeof what, "c on a, live at %.1f m", soFar);
        Print(what, live, 1.0 / 1.025, c.startAt - live.newerEnd / 1.025 - first(sa));
    }
    return 0;
}
