// Any bytes as a survey's scan-by-scan figures, through what a survey keeps
// from one scan to the next: the totals (ConditionSurvey), the findings kept
// scan by scan (FindingsTracker) and the first scans' CSV lines. The figures come
// straight from the input, so the fuzzer spends its time on the bookkeeping
// rather than on fits; the fit that makes a scan's figures is
// fuzz_scan_fit's, and the cut of the stream into scans fuzz_scan_cut's.
// Nothing may crash or come out infinite, and the findings kept scan by scan
// must be those worked out over the whole survey at once.
//
// Input: three bytes of thresholds (ovality 0.1 %, area loss 0.1 %, debris
// depth mm); then scans of 16 fields of 16 bits each, in the order of
// ScanFigures, -32768 for a missing figure (NaN), the rest scaled to the
// figure's unit (at most kMaxScans scans).
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

// Past kMaxStretches stretches of one kind (each needs two scans) the
// tracker starts to forget the least of them; a few more scans reach that.
constexpr std::size_t kMaxScans = 2 * analysis::FindingsTracker::kMaxStretches + 64;
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

bool SameExtreme(const analysis::Extreme& a, const analysis::Extreme& b) {
    if (a.Found() != b.Found()) return false;
    return !a.Found() ||
           (a.index == b.index && a.value == b.value &&
            (a.distance == b.distance || (a.distance != a.distance && b.distance != b.distance)));
}

bool SameStretches(const std::vector<analysis::Stretch>& a,
                   const std::vector<analysis::Stretch>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].first != b[i].first || a[i].last != b[i].last ||
            !(a[i].peak == b[i].peak || (a[i].peak != a[i].peak && b[i].peak != b[i].peak)))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    std::uint8_t t[3] = {};
    if (!in.Take(t, sizeof t)) return 0;
    const analysis::ReportThresholds thresholds{t[0] * 0.1, t[1] * 0.1, t[2] * 0.001};

    static std::vector<analysis::ScanFigures> scans = [] {
        std::vector<analysis::ScanFigures> v;
        v.reserve(kMaxScans);
        return v;
    }();
    scans.clear();
    analysis::FindingsTracker tracker(thresholds);
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
    constexpr std::size_t kMax = analysis::FindingsTracker::kMaxStretches;
    for (const auto list : {&analysis::Findings::ovalStretches, &analysis::Findings::lossStretches,
                            &analysis::Findings::debrisStretches}) {
        if ((kept.*list).size() > kMax) std::abort();
        if ((whole.*list).size() <= kMax && !SameStretches(kept.*list, whole.*list)) std::abort();
    }
    return 0;
}
