// Two surveys of one pipe aligned and compared: scans of a made-up pipe put
// through the program's own analysis, the later survey made the other way
// with an odometer that reads long and a start before the node, and changes
// made between them that the comparison has to find, and nothing else.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>

#include "../support/ChangedPipe.h"
#include "analysis/SurveyComparison.h"
#include "analysis/UnrolledChange.h"

namespace {

using analysis::ChangeStretch;
using analysis::Comparison;
using analysis::TravelDirection;

using namespace changedpipe;

bool Within(const ChangeStretch& s, double from, double to, double slack) {
    return s.from >= from - slack && s.to <= to + slack;
}

const char* Key(const ChangeStretch& s) {
    return analysis::CompareFigures()[s.figure].key;
}

std::string Describe(const Comparison& c) {
    std::ostringstream out;
    out << "scale " << c.alignment.scale << " offset " << c.alignment.offset << " r "
        << c.alignment.correlation << "\n";
    for (const ChangeStretch& s : c.stretches)
        out << Key(s) << " " << s.from << ".." << s.to << " " << s.older << " -> " << s.newer
            << "\n";
    return out.str();
}

// The later survey, made the other way, lined up where it truly was over the
// soFar metres it covers: each of its metres 1/1.025 of the earlier survey's,
// to within scaleSlack (less of the pipe seen, less sure).
void ExpectLinedUp(const analysis::Alignment& a, double soFar, const std::string& what,
                   double scaleSlack = 0.003) {
    EXPECT_TRUE(a.reversed) << what;
    EXPECT_NEAR(a.scale * kOdometerLong, 1.0, scaleSlack) << what;
    EXPECT_FALSE(a.uncertain) << what << ": scale " << a.scale << " to +-" << a.scaleSpread << " r "
                              << a.correlation;
    for (const double d : {1.0, soFar / 2, soFar - 1.0}) {
        EXPECT_NEAR(a.ToOlder(d), Upstream().startAt - d / kOdometerLong, 0.1) << d << "\n" << what;
        EXPECT_NEAR(a.ToNewer(a.ToOlder(d)), d, 1e-9);
    }
}

TEST(SurveyCompare, UpstreamResurveyWithLongOdometerFindsExactlyTheChanges) {
    const auto older = synthetic::Figures(PipeBefore(), Downstream());
    const auto newer = synthetic::Figures(PipeAfter(), Upstream());
    const Comparison c = analysis::CompareSurveys(older, newer, TravelDirection::Opposite);
    const std::string what = Describe(c);

    // Both ends of the later survey land where they truly were.
    ExpectLinedUp(c.alignment, 31.0, what);

    int oval = 0, layer = 0;
    for (const ChangeStretch& s : c.stretches) {
        const std::string key = Key(s);
        if (key == "ovality" && s.from < kOvalTo) {
            ++oval;
            EXPECT_NEAR(s.from, kOvalFrom, 0.2) << what;
            EXPECT_NEAR(s.to, kOvalTo, 0.2) << what;
            EXPECT_GT(s.change, 2.0) << what;
        }
        if (key == "debris_depth") {
            ++layer;
            EXPECT_NEAR(s.from, kLayerFrom, 0.2) << what;
            EXPECT_NEAR(s.to, kLayerTo, 0.2) << what;
            EXPECT_NEAR(s.change, 0.07, 0.02) << what;
        }
        // A changed wall or layer changes the open area with it (and a
        // deeper layer hides more of the wall the ovality is fitted to); nothing
        // may be found where the pipe stayed as it was.
        EXPECT_TRUE(Within(s, kOvalFrom, kOvalTo, 0.2) || Within(s, kLayerFrom, kLayerTo, 0.2))
            << Key(s) << " " << s.from << ".." << s.to << "\n"
            << what;
    }
    EXPECT_EQ(oval, 1) << what;
    EXPECT_EQ(layer, 1) << what;
    // The table marks exactly the rows of the named stretches.
    for (const analysis::CompareRow& r : c.rows) {
        if (!r.significant) continue;
        const bool inside = (r.distance > kOvalFrom - 0.25 && r.distance < kOvalTo + 0.25) ||
                            (r.distance > kLayerFrom - 0.25 && r.distance < kLayerTo + 0.25);
        EXPECT_TRUE(inside) << analysis::CompareCsvLine(r);
    }

    // Without details to say so, the direction is found by trying both.
    const analysis::Alignment found =
        analysis::AlignSurveys(older, newer, TravelDirection::Unknown);
    ExpectLinedUp(found, 31.0, "direction unknown");
    EXPECT_NEAR(found.scale, c.alignment.scale, 1e-3);
}

TEST(SurveyCompare, ASurveyAgainstItselfChangesNowhere) {
    const auto scans = synthetic::Figures(PipeAfter(), Upstream());
    const Comparison c = analysis::CompareSurveys(scans, scans, TravelDirection::Same);
    EXPECT_NEAR(c.alignment.scale, 1.0, 1e-3);
    EXPECT_NEAR(c.alignment.offset, 0.0, 0.02);
    EXPECT_GT(c.alignment.correlation, 0.99);
    EXPECT_TRUE(c.stretches.empty()) << Describe(c);
    ASSERT_FALSE(c.rows.empty());
    std::size_t compared = 0;
    for (const analysis::CompareRow& r : c.rows) {
        EXPECT_EQ(r.significant, 0u) << analysis::CompareCsvLine(r);
        compared += std::isfinite(r.Change(1));
    }
    // Every cell of the survey is compared, not left empty.
    EXPECT_GT(compared, c.rows.size() * 9 / 10);
}

// A pipe with nothing along it to line the surveys up by: the alignment is
// said to be uncertain rather than trusted.
TEST(SurveyCompare, AFeaturelessPipeGivesAnUncertainAlignment) {
    synthetic::Pipe plain;
    synthetic::Run a = Downstream(), b = Downstream();
    a.length = b.length = 12.0;
    b.seed = 99;
    const auto older = synthetic::Figures(plain, a);
    const auto newer = synthetic::Figures(plain, b);
    const analysis::Alignment found = analysis::AlignSurveys(older, newer, TravelDirection::Same);
    EXPECT_TRUE(found.uncertain) << found.correlation;
    // An odometer further off than the search allows: the best scale found
    // sits at its edge, however well the profiles then correlate.
    synthetic::Run far = Upstream();
    far.odometerScale = 1.06;
    const analysis::Alignment edge =
        analysis::AlignSurveys(synthetic::Figures(PipeBefore(), Downstream()),
                               synthetic::Figures(PipeBefore(), far), TravelDirection::Opposite);
    EXPECT_TRUE(edge.uncertain) << edge.scale << " r " << edge.correlation;
}

// A short quiet survey whose only features are steps (a layer that starts
// and stops, an oval stretch): the levels either side of each step correlate
// nearly as well over a range of scales. The scale found must be the truth's
// to within half a percent, or the alignment must say it is uncertain; and
// the plateau of scales that match as well must be stated either way.
TEST(SurveyCompare, AShortSurveyWithStepsIsLinedUpOrCalledUncertain) {
    synthetic::Pipe pipe;
    pipe.layers = {{1.5, 3.0, 0.06}};
    pipe.ovalBands = {{4.2, 5.4, 0.03}};
    synthetic::Run down, up, again;
    down.length = 7.0;
    down.rangeNoise = up.rangeNoise = again.rangeNoise = 0.001;
    up.startAt = 7.4;
    up.direction = -1;
    up.length = 7.0;
    up.odometerScale = kOdometerLong;
    up.seed = 9;
    again = down;
    again.startAt = 0.3;
    again.seed = 4;
    const auto older = synthetic::Figures(pipe, down);
    struct Case {
        const char* what;
        std::vector<analysis::ScanFigures> newer;
        TravelDirection way;
        double scale;
    };
    std::vector<Case> cases = {
        {"again, 0.3 m on", synthetic::Figures(pipe, again), TravelDirection::Same, 1.0},
        {"upstream, 2.5 % long", synthetic::Figures(pipe, up), TravelDirection::Opposite,
         1.0 / kOdometerLong}};
    for (const Case& c : cases) {
        for (const bool live : {false, true}) {
            const analysis::Alignment a = live ? analysis::AlignSoFar(older, c.newer, c.way)
                                               : analysis::AlignSurveys(older, c.newer, c.way);
            const std::string what =
                std::string(c.what) + (live ? " live" : "") + ": scale " + std::to_string(a.scale) +
                " to +-" + std::to_string(a.scaleSpread) + " r " + std::to_string(a.correlation);
            EXPECT_TRUE(a.uncertain || std::abs(a.scale / c.scale - 1.0) < 0.005) << what;
            ASSERT_TRUE(std::isfinite(a.scaleSpread)) << what;
            // The plateau stated is the order of the error (the noise may
            // move the best match off the truth within twice it), and a
            // plateau wider than allowed is uncertain.
            EXPECT_LE(std::abs(a.scale - c.scale), 2.0 * a.scaleSpread + 0.002) << what;
            if (a.scaleSpread > analysis::AlignmentOptions{}.widestScaleSpread) {
                EXPECT_TRUE(a.uncertain) << what;
            }
        }
    }
}

// The noise the detection limit is built on: the scatter of a figure from
// scan to scan, where a finding's own changes do not count.
TEST(SurveyCompare, ScatterIsTheNoiseBetweenNeighbouringScans) {
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0.0, 0.4);
    std::vector<analysis::ScanFigures> scans(2000);
    for (std::size_t i = 0; i < scans.size(); ++i) {
        scans[i].distance = 0.05 * static_cast<double>(i);
        scans[i].ovality = 1.0 + noise(rng);
        // A finding that comes and goes every other scan: its jumps are the
        // pipe's, not the survey's.
        if (i >= 500 && i < 1500) scans[i].ovality += (i % 2) ? 8.0 : 3.0;
    }
    const double s = analysis::NeighbourScatter(scans, &analysis::ScanFigures::ovality, {});
    EXPECT_NEAR(s, 0.4, 0.05);
    // A pair of scans a lift of the head apart is no pair.
    std::vector<analysis::ScanFigures> apart(2);
    apart[0].ovality = 1.0;
    apart[1].ovality = 5.0;
    apart[1].distance = 3.0;
    EXPECT_TRUE(std::isnan(analysis::NeighbourScatter(apart, &analysis::ScanFigures::ovality, {})));
}

TEST(SurveyCompare, DirectionFromTheDetails) {
    survey::SurveyDetails a, b;
    EXPECT_EQ(analysis::DirectionOf(a, b), TravelDirection::Unknown);
    a.startNode = b.startNode = "MH1";
    a.finishNode = b.finishNode = "MH2";
    a.direction = "downstream";
    b.direction = "upstream"; // the nodes say more than a mistyped direction
    EXPECT_EQ(analysis::DirectionOf(a, b), TravelDirection::Same);
    std::swap(b.startNode, b.finishNode);
    EXPECT_EQ(analysis::DirectionOf(a, b), TravelDirection::Opposite);
    b.startNode.clear();
    EXPECT_EQ(analysis::DirectionOf(a, b), TravelDirection::Opposite);
    b.direction = "downstream";
    EXPECT_EQ(analysis::DirectionOf(a, b), TravelDirection::Same);
}

TEST(SurveyCompare, TableLineHasEveryColumnAndTheSignificantFigures) {
    analysis::CompareRow r;
    r.distance = 12.3;
    r.older = {1.0, 3.0, 1.5, 0.05};
    r.newer = {1.0, 6.0, 2.0, NAN};
    r.significant = 0b0110;
    const std::string line = analysis::CompareCsvLine(r);
    std::size_t commas = 0;
    for (char ch : line)
        commas += ch == ',';
    std::size_t headerCommas = 0;
    for (const char* p = analysis::kCompareCsvHeader; *p; ++p)
        headerCommas += *p == ',';
    EXPECT_EQ(commas, headerCommas) << line;
    EXPECT_NE(line.find(",3.00,"), std::string::npos) << line;     // the ovality's change
    EXPECT_NE(line.find(",0.0500,,,"), std::string::npos) << line; // no new depth, no change
    EXPECT_EQ(line.substr(line.rfind(',') + 1), "ovality|area_loss");
}

// Live, the later survey stops anywhere short of the far node: the one made
// the other way is lined up from where it started, and again as it goes on.
TEST(SurveyCompare, ASurveyStillBeingMadeTheOtherWayLinesUpFromItsStart) {
    const auto older = synthetic::Figures(PipeBefore(), Downstream());
    for (const double soFar : {12.0, 22.0}) {
        synthetic::Run part = Upstream();
        part.length = soFar;
        const auto newer = synthetic::Figures(PipeAfter(), part);
        for (const TravelDirection way : {TravelDirection::Opposite, TravelDirection::Unknown})
            ExpectLinedUp(analysis::AlignSoFar(older, newer, way), soFar,
                          std::to_string(soFar) + " m so far", 0.1 / soFar);
    }
}

// The unrolled map's change: the later survey's wall against the earlier
// one's at the same place of the pipe, through the alignment.
TEST(SurveyCompare, UnrolledChangeShowsTheNewLayerAndNothingWhereThePipeStayed) {
    analysis::UnrolledByDistance earlier;
    std::vector<analysis::ScanFigures> figures[2];
    std::vector<analysis::UnrolledRow> later;
    for (const int k : {0, 1}) {
        analysis::ScanAnalyser analyser;
        synthetic::Survey(k ? PipeAfter() : PipeBefore(), k ? Upstream() : Downstream(),
                          [&](const std::vector<analysis::ProfileSample>& scan) {
                              const analysis::ScanFigures f = analyser.Analyse(scan);
                              const analysis::UnrolledRow row = UnrolledRowOf(f, analyser.Points());
                              figures[k].push_back(f);
                              k ? later.push_back(row) : earlier.Add(row);
                          });
    }
    const analysis::Alignment a =
        analysis::AlignSurveys(figures[0], figures[1], TravelDirection::Opposite);
    // The mean change over the invert (bearings 170 to 190) in the layer and
    // where the pipe stayed, and at the crown anywhere.
    struct Mean {
        double sum = 0;
        int n = 0;
        void Add(double v) { sum += v, ++n; }
    } layer, elsewhere, crown;
    for (const analysis::UnrolledRow& r : later) {
        const double at = a.ToOlder(r.figures.distance);
        for (int c = 170; c <= 190; ++c) {
            const double now =
                analysis::UnrolledMap::FilledDeviation(r.sum.data(), r.count.data(), c);
            const double change = analysis::DeviationChange(now, r.figures.distance, c, earlier, a);
            if (!std::isfinite(change)) continue;
            if (at > kLayerFrom + 0.3 && at < kLayerTo - 0.3)
                layer.Add(change);
            else if (at < kOvalFrom - 0.5 || (at > kOvalTo + 0.5 && at < kLayerFrom - 0.5))
                elsewhere.Add(change);
        }
        const double top = analysis::UnrolledMap::FilledDeviation(r.sum.data(), r.count.data(), 0);
        const double change = analysis::DeviationChange(top, r.figures.distance, 0, earlier, a);
        if (std::isfinite(change)) crown.Add(std::abs(change));
    }
    ASSERT_GT(layer.n, 100);
    ASSERT_GT(elsewhere.n, 1000);
    ASSERT_GT(crown.n, 300);
    EXPECT_NEAR(layer.sum / layer.n, 0.07, 0.015);
    EXPECT_NEAR(elsewhere.sum / elsewhere.n, 0.0, 0.005);
    EXPECT_LT(crown.sum / crown.n, 0.01);
    // Past the earlier survey's end, beyond the reach of its last cell, no
    // change is known; within it, the last cell stands in.
    constexpr double kReach = analysis::UnrolledByDistance::kReach;
    EXPECT_TRUE(std::isnan(earlier.Deviation(kPipeLength + kReach + 0.2, 180)));
    EXPECT_TRUE(std::isfinite(earlier.Deviation(kPipeLength + kReach - 0.2, 180)));
    EXPECT_TRUE(std::isnan(analysis::DeviationChange(0.01, analysis::kNoValue, 180, earlier, a)));
}

} // namespace
