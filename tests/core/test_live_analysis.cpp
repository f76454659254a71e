// The live analysis: findings kept up to date scan by scan equal those of the
// whole survey, a replay after a jump is not counted twice, and nothing it
// holds grows with the survey.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/ConditionFindings.h"
#include "analysis/LiveAnalysis.h"

namespace {

// One revolution of 400 points in a 0.3 m pipe about the head, debris of the
// given depth on the invert.
std::vector<analysis::ProfileSample> Revolution(double distance, double debris) {
    std::vector<analysis::ProfileSample> out;
    for (int i = 0; i < 400; ++i) {
        const double bearing = i * 0.9;
        double range = 0.15;
        // A flat bed of the given depth across the invert.
        if (debris > 0.0 && std::fabs(bearing - 180.0) < 60.0)
            range = std::min(0.15, (0.15 - debris) / std::cos((bearing - 180.0) * M_PI / 180.0));
        out.push_back(analysis::FromPolar(bearing, range, 0.0, distance));
    }
    return out;
}

analysis::ScanFigures Figures(int i) {
    // Figures going over and under the thresholds, with gaps.
    analysis::ScanFigures f;
    f.distance = i * 0.1;
    f.ovality = (i % 17 < 6) ? 3.0 + (i % 5) : 1.0;
    f.areaLoss = (i % 29 == 3) ? analysis::kNoValue : (i % 11 < 4 ? 7.0 + i % 3 : 2.0);
    f.debrisDepth = (i % 13 < 5) ? 0.03 + 0.001 * (i % 7) : 0.0;
    f.debrisArea = f.debrisDepth * 0.2;
    return f;
}

void ExpectSameStretches(const std::vector<analysis::Stretch>& a,
                         const std::vector<analysis::Stretch>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].first, b[i].first);
        EXPECT_EQ(a[i].last, b[i].last);
        EXPECT_DOUBLE_EQ(a[i].peak, b[i].peak);
        EXPECT_DOUBLE_EQ(a[i].peakDistance, b[i].peakDistance);
        EXPECT_NEAR(a[i].volume, b[i].volume, 1e-12);
    }
}

} // namespace

TEST(FindingsTracker, ScanByScanEqualsTheWholeSurveyAndStaysBounded) {
    std::vector<analysis::ScanFigures> scans;
    analysis::FindingsTracker tracker;
    for (int i = 0; i < 400; ++i) {
        scans.push_back(Figures(i));
        tracker.Add(scans.back());
    }
    const analysis::Findings whole = analysis::FindFindings(scans, analysis::ReportThresholds{});
    const analysis::Findings& kept = tracker.Current();
    EXPECT_EQ(kept.ovality.index, whole.ovality.index);
    EXPECT_EQ(kept.areaLoss.index, whole.areaLoss.index);
    EXPECT_EQ(kept.debrisDepth.index, whole.debrisDepth.index);
    EXPECT_DOUBLE_EQ(kept.debrisDepth.distance, whole.debrisDepth.distance);
    ExpectSameStretches(kept.ovalStretches, whole.ovalStretches);
    ExpectSameStretches(kept.lossStretches, whole.lossStretches);
    ExpectSameStretches(kept.debrisStretches, whole.debrisStretches);
    EXPECT_NEAR(kept.debrisVolume, whole.debrisVolume, 1e-12);

    // Hours of a pipe that goes over and under a threshold every few scans:
    // the list stays bounded and keeps the worst stretch.
    analysis::FindingsTracker longSurvey;
    for (int i = 0; i < 20000; ++i) {
        analysis::ScanFigures f;
        f.distance = i * 0.05;
        f.ovality = i % 4 == 0 ? (i == 12000 ? 40.0 : 2.5 + (i % 7) * 0.1) : 1.0;
        longSurvey.Add(f);
    }
    const auto& stretches = longSurvey.Current().ovalStretches;
    EXPECT_LE(stretches.size(), analysis::FindingsTracker::kMaxStretches);
    EXPECT_TRUE(std::any_of(stretches.begin(), stretches.end(),
                            [](const analysis::Stretch& s) { return s.peak == 40.0; }));
    EXPECT_DOUBLE_EQ(longSurvey.Current().ovality.value, 40.0);
}

TEST(FindingsTracker, PastItsBoundKeepsTheNewestStretchAndTheWorstClosedOnes) {
    // Ovality stretches of one scan each, a scan under the threshold between
    // them; the peaks in survey order.
    const std::vector<double> peaks = {5.0, 9.0, 3.0, 7.0, 8.0, 2.5, 4.0};
    std::vector<analysis::ScanFigures> scans;
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        for (double v : {peaks[i], 1.0}) {
            analysis::ScanFigures f;
            f.distance = static_cast<double>(scans.size()) * 0.1;
            f.ovality = v;
            scans.push_back(f);
        }
    }
    scans.pop_back(); // the survey ends inside the last stretch
    const analysis::Findings whole = analysis::FindFindings(scans, analysis::ReportThresholds{});
    ASSERT_EQ(whole.ovalStretches.size(), peaks.size());

    analysis::FindingsTracker tracker(analysis::ReportThresholds{}, 3);
    const auto keptPeaks = [&tracker] {
        std::vector<double> out;
        for (const analysis::Stretch& s : tracker.Current().ovalStretches)
            out.push_back(s.peak);
        return out;
    };
    for (const analysis::ScanFigures& f : scans)
        tracker.Add(f);
    // The two worst closed ones in survey order, then the newest however mild.
    EXPECT_EQ(keptPeaks(), (std::vector<double>{9.0, 8.0, 4.0}));
    EXPECT_EQ(tracker.Current().ovalStretches.back().first, whole.ovalStretches.back().first);
    EXPECT_DOUBLE_EQ(tracker.Current().ovality.value, 9.0);

    // Clearing starts a new survey under the same bound.
    tracker.Clear();
    EXPECT_EQ(tracker.Scans(), 0u);
    for (const analysis::ScanFigures& f : scans)
        tracker.Add(f);
    EXPECT_EQ(keptPeaks(), (std::vector<double>{9.0, 8.0, 4.0}));

    // A bound of none still keeps the stretch being measured.
    analysis::FindingsTracker none(analysis::ReportThresholds{}, 0);
    for (const analysis::ScanFigures& f : scans)
        none.Add(f);
    ASSERT_EQ(none.Current().ovalStretches.size(), 1u);
    EXPECT_DOUBLE_EQ(none.Current().ovalStretches.front().peak, 4.0);
}

TEST(LiveAnalysis, CountsEachScanOnceAndHandsOverWhatTheViewsNeed) {
    analysis::NominalPipe pipe;
    pipe.diameter = 0.3;
    analysis::LiveAnalysis live;
    live.SetPipe(pipe);
    analysis::ScanAnalyser alone(pipe);
    std::vector<analysis::ScanFigures> expected;
    for (int scan = 0; scan < 12; ++scan) {
        const auto points = Revolution(scan * 0.25, scan >= 4 && scan < 8 ? 0.05 : 0.0);
        live.Add(points);
        expected.push_back(alone.Analyse(points));
    }
    // The twelfth scan closes only when the next one starts.
    const analysis::LiveBatch first = live.Take();
    ASSERT_EQ(first.scans.size(), 11u);
    EXPECT_EQ(first.surveyScans, 11u);
    for (std::size_t i = 0; i < first.scans.size(); ++i) {
        EXPECT_DOUBLE_EQ(first.scans[i].Figures().distance, expected[i].distance);
        EXPECT_NEAR(first.scans[i].Figures().debrisDepth, expected[i].debrisDepth, 1e-9);
        EXPECT_LE(first.scans[i].ring.size(), analysis::PipeHistory::kMaxRingPoints);
        EXPECT_FALSE(first.scans[i].ring.empty());
    }
    ASSERT_TRUE(first.findings);
    EXPECT_EQ(first.findings->debrisStretches.size(), 1u);
    EXPECT_GT(first.debrisVolume, 0.0);
    // Binned by bearing: the debris shows at the invert (180 degrees).
    const analysis::UnrolledRow& row = first.scans[5].row;
    ASSERT_GT(row.count[180], 0u);
    EXPECT_GT(row.sum[180] / row.count[180], 0.02);

    // A jump back replays scans already counted: shown, not counted again.
    live.Restart();
    for (int scan = 2; scan < 6; ++scan)
        live.Add(Revolution(scan * 0.25, 0.0));
    const analysis::LiveBatch replay = live.Take();
    EXPECT_TRUE(replay.hasLast);
    EXPECT_TRUE(replay.scans.empty());
    EXPECT_EQ(replay.surveyScans, 11u);
    EXPECT_FALSE(replay.findings); // unchanged
}

TEST(LiveAnalysis, ABatchNobodyTakesStaysBounded) {
    analysis::LiveAnalysis live;
    const int scans = static_cast<int>(analysis::LiveAnalysis::kMaxBatchScans) * 3;
    for (int scan = 0; scan < scans; ++scan)
        live.Add(Revolution(scan * 0.1, 0.0));
    const analysis::LiveBatch batch = live.Take();
    EXPECT_LT(batch.scans.size(), analysis::LiveAnalysis::kMaxBatchScans);
    EXPECT_GT(batch.scans.size(), analysis::LiveAnalysis::kMaxBatchScans / 4);
    // Every scan still counted, the batch's scans still in order.
    EXPECT_EQ(batch.surveyScans, static_cast<std::size_t>(scans - 1));
    for (std::size_t i = 1; i < batch.scans.size(); ++i)
        EXPECT_GT(batch.scans[i].Figures().distance, batch.scans[i - 1].Figures().distance);
}
