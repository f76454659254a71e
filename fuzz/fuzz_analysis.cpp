// Any bytes as a survey's scan-by-scan figures, through what a survey keeps
// from one scan to the next: the totals (ConditionSurvey), the findings kept
// scan by scan (FindingsTracker) and the first scans' CSV lines. The figures come
// straight from the input, so the fuzzer spends its time on the bookkeeping
// rather than on fits; the fit that makes a scan's figures is
// fuzz_scan_fit's, and the cut of the stream into scans fuzz_scan_cut's.
// Nothing may crash or come out infinite, and the findings kept scan by scan
// must be those worked out over the whole survey at once; where the tracker
// had to forget stretches, it must have kept the newest and the worst.
//
// Input: three bytes of thresholds (ovality 0.1 %, area loss 0.1 %, debris
// depth mm) and one of the tracker's bound on stretches of a kind (1 to
// kMaxBound); then scans of 16 fields of 16 bits each, in the order of
// ScanFigures, -32768 for a missing figure (NaN), the rest scaled to the
// figure's unit (at most kMaxScans scans).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ScanInput.h"
#include "analysis/ConditionCsv.h"
#include "analysis/ConditionFindings.h"

using namespace fuzzscan;

namespace {

// The tracker forgets the same way whatever its bound, so a small one
// reaches the forgetting in a few scans: past the bound's stretches of a kind
// (each needs two scans), a few more scans forget several. Each input stays
// a small unit; hundreds of scans only cost time.
constexpr std::size_t kMaxBound = 8;
constexpr std::size_t kMaxScans = 2 * kMaxBound + 48;
constexpr std::size_t kCsvScans = 4;

// A scan's fields come in one piece: reading them one by one was a fifth
// of the fuzzer's time.
bool NextFigures(Input& in, analysis::ScanFigures& f) {
    std::int16_t v[16];
    if (!in.Take(v, sizeof v)) return false;
    const auto at = [&v](int k, double scale) {
        return v[k] == -32768 ? analysis::kNoValue : v[k] * scale;
    };
    f.points = v[0] > 0 ? static_cast<std::size_t>(v[0]) : 0;
    // Angles and percentages in tenths, lengths in millimetres, areas in
    // square centimetres, the distance in centimetres (a long survey).
    f.coverage = at(1, 0.1);
    f.time = at(2, 0.1);
    f.distance = at(3, 0.01);
    f.centreX = at(4, 0.001);
    f.centreY = at(5, 0.001);
    f.meanDiameter = at(6, 0.001);
    f.minDiameter = at(7, 0.001);
    f.maxDiameter = at(8, 0.001);
    f.minDiameterBearing = at(9, 0.1);
    f.ovality = at(10, 0.1);
    f.openArea = at(11, 1e-4);
    f.nominalArea = at(12, 1e-4);
    f.areaLoss = at(13, 0.1);
    f.debrisDepth = at(14, 0.001);
    f.debrisArea = at(15, 1e-4);
    return true;
}

// Equal, or both missing.
bool Same(double a, double b) {
    return a == b || (a != a && b != b);
}

bool SameExtreme(const analysis::Extreme& a, const analysis::Extreme& b) {
    if (a.Found() != b.Found()) return false;
    return !a.Found() || (a.index == b.index && a.value == b.value && Same(a.distance, b.distance));
}

// The tracker adds the same products in the same order as the whole-survey
// pass, so every field is equal, not merely close.
bool SameStretch(const analysis::Stretch& a, const analysis::Stretch& b) {
    return a.first == b.first && a.last == b.last && Same(a.start, b.start) && Same(a.end, b.end) &&
           Same(a.peak, b.peak) && Same(a.peakDistance, b.peakDistance) && a.volume == b.volume;
}

bool SameStretches(const std::vector<analysis::Stretch>& a,
                   const std::vector<analysis::Stretch>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!SameStretch(a[i], b[i])) return false;
    return true;
}

// Past its bound the tracker keeps, in survey order, the newest stretch and
// the bound less one of the closed ones, none less severe than one it forgot.
bool KeptTheNewestAndTheWorst(const std::vector<analysis::Stretch>& kept,
                              const std::vector<analysis::Stretch>& whole, std::size_t bound) {
    if (kept.size() != bound || !SameStretch(kept.back(), whole.back())) return false;
    double leastKept = kept.front().peak;
    for (std::size_t k = 0; k + 1 < kept.size(); ++k)
        leastKept = std::min(leastKept, kept[k].peak);
    std::size_t k = 0;
    for (const analysis::Stretch& w : whole) {
        if (k < kept.size() && kept[k].first == w.first) {
            if (!SameStretch(kept[k], w)) return false;
            ++k;
        } else if (kept.size() > 1 && w.peak > leastKept) {
            return false;
        }
    }
    return k == kept.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    std::uint8_t t[4] = {};
    if (!in.Take(t, sizeof t)) return 0;
    const analysis::ReportThresholds thresholds{t[0] * 0.1, t[1] * 0.1, t[2] * 0.001};
    const std::size_t bound = 1 + t[3] % kMaxBound;

    static std::vector<analysis::ScanFigures> scans = [] {
        std::vector<analysis::ScanFigures> v;
        v.reserve(kMaxScans);
        return v;
    }();
    scans.clear();
    analysis::FindingsTracker tracker(thresholds, bound);
    analysis::ConditionSurvey survey;
    std::string line;
    analysis::ScanFigures f;
    while (scans.size() < kMaxScans && NextFigures(in, f)) {
        scans.push_back(f);
        tracker.Add(f);
        survey.Add(f);
        // A line is one scan's alone: the first few carry every kind of
        // figure the input holds, and formatting hundreds costs the most.
        if (scans.size() <= kCsvScans) {
            analysis::BuildConditionCsvLine(line, scans.size(), f);
            CheckLine(line);
        }
        CheckFigure(survey.DebrisVolume());
        CheckFigure(survey.WorstOvality());
        CheckFigure(survey.WorstAreaLoss());
    }
    if (survey.Scans() != scans.size() || tracker.Scans() != scans.size()) std::abort();

    const analysis::Findings& kept = tracker.Current();
    const analysis::Findings whole = analysis::FindFindings(scans, thresholds);
    if (!SameExtreme(kept.ovality, whole.ovality) || !SameExtreme(kept.areaLoss, whole.areaLoss) ||
        !SameExtreme(kept.debrisDepth, whole.debrisDepth))
        std::abort();
    // The volume is summed in the same order either way.
    if (kept.debrisVolume != whole.debrisVolume || kept.debrisVolume != survey.DebrisVolume())
        std::abort();
    for (const auto list : {&analysis::Findings::ovalStretches, &analysis::Findings::lossStretches,
                            &analysis::Findings::debrisStretches}) {
        if ((whole.*list).size() <= bound
                ? !SameStretches(kept.*list, whole.*list)
                : !KeptTheNewestAndTheWorst(kept.*list, whole.*list, bound))
            std::abort();
    }
    return 0;
}
