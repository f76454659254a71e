// The 3D views' history of the pipe: bounded however long the survey, evenly
// thinned along the pipe and around each ring, started anew on a replay.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/DeviationColours.h"
#include "analysis/PipeHistory.h"

namespace {

std::vector<analysis::AnalysedPoint> Ring(std::size_t n, double deviation) {
    std::vector<analysis::AnalysedPoint> points;
    for (std::size_t i = 0; i < n; ++i) {
        const double a = 2.0 * M_PI * static_cast<double>(i) / static_cast<double>(n);
        points.push_back({0.15 * std::cos(a), 0.15 * std::sin(a), deviation});
    }
    return points;
}

} // namespace

TEST(PipeHistory, StaysBoundedAndEvenOverALongSurvey) {
    // Four hours at about two scans a second, 400 points a scan.
    analysis::PipeHistory history;
    const auto points = Ring(400, 0.0);
    const int scans = 4 * 3600 * 2;
    std::size_t mostRings = 0, mostPoints = 0;
    for (int i = 0; i < scans; ++i) {
        history.Add(i * 0.01, points);
        mostRings = std::max(mostRings, history.Rings().size());
        mostPoints = std::max(mostPoints, history.Points());
    }
    EXPECT_LT(mostRings, analysis::PipeHistory::kMaxRings);
    // What it holds in bytes stays bounded too: at most the kept rings' points
    // (each of three floats) and the rings' own bookkeeping.
    EXPECT_LE(history.Bytes(),
              analysis::PipeHistory::kMaxRings *
                  (400 * sizeof(analysis::PipePoint) + sizeof(analysis::PipeRing)));
    EXPECT_LE(mostPoints, analysis::PipeHistory::kMaxRings * 400);
    EXPECT_GE(history.Rings().size(), analysis::PipeHistory::kMaxRings / 2 - 1);
    // The whole pipe stays in: its start, and a ring near its end.
    EXPECT_DOUBLE_EQ(history.FirstDistance(), 0.0);
    const double spacing = history.Rings()[1].distance - history.Rings()[0].distance;
    EXPECT_GT(history.LastDistance(), (scans - 1) * 0.01 - spacing);
    for (std::size_t i = 1; i < history.Rings().size(); ++i)
        ASSERT_NEAR(history.Rings()[i].distance - history.Rings()[i - 1].distance, spacing, 1e-6)
            << "ring " << i;
}

TEST(PipeHistory, ThinsEachRingAllTheWayRoundAndRestartsOnAReplay) {
    analysis::PipeHistory history(16, 10);
    ASSERT_TRUE(history.Add(5.0, Ring(100, 0.0)));
    const auto& ring = history.Rings().front().points;
    ASSERT_EQ(ring.size(), 10u);
    // Every tenth point: the last kept one lies at 324 degrees, not at 9.
    EXPECT_NEAR(std::atan2(ring.back().y, ring.back().x) * 180.0 / M_PI, -36.0, 1e-3);
    EXPECT_FALSE(history.Add(5.1, {}));
    ASSERT_TRUE(history.Add(6.0, Ring(5, 0.0)));
    EXPECT_EQ(history.Points(), 15u);
    EXPECT_DOUBLE_EQ(history.NearestRing(5.4), 5.0);
    EXPECT_DOUBLE_EQ(history.NearestRing(5.6), 6.0);
    // Back along the pipe by more than a metre: a new pass.
    ASSERT_TRUE(history.Add(1.0, Ring(5, 0.0)));
    EXPECT_EQ(history.Rings().size(), 1u);
    EXPECT_EQ(history.Points(), 5u);
}

TEST(PipeHistory, VerticesKeepToTheBudgetInTheDeviationColours) {
    analysis::PipeHistory history(64, 100);
    const double deviations[] = {0.05, -0.05, 0.0, std::nan("")};
    for (int i = 0; i < 40; ++i)
        history.Add(i * 0.1, Ring(100, deviations[i % 4]));
    std::vector<float> v;
    struct Case {
        std::size_t budget, most;
    } cases[] = {{1'000'000, 4000}, {4000, 4000}, {1000, 1000}, {333, 333}};
    for (const Case& c : cases) {
        const std::size_t n = history.FillVertices(c.budget, v);
        EXPECT_LE(n, c.most) << c.budget;
        EXPECT_GT(n, c.most / 2) << c.budget;
        EXPECT_EQ(v.size(), n * 7);
    }
    history.FillVertices(1'000'000, v);
    // Ring 1 (at 10 cm) lies outward: blue; ring 3 has no deviation: grey.
    for (const auto& [ring, deviation] : {std::pair{0, 0.05}, {1, -0.05}, {2, 0.0}, {3, 1e9}}) {
        const float* p = v.data() + static_cast<std::size_t>(ring) * 100 * 7;
        const analysis::Rgb want =
            deviation > 1e8 ? analysis::kNoDeviationColour : analysis::DeviationColour(deviation);
        EXPECT_FLOAT_EQ(p[2], ring * 10.0f);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 15.0, 1e-3);
        EXPECT_NEAR(p[3] * 255.0f, want.r, 0.01) << ring;
        EXPECT_NEAR(p[4] * 255.0f, want.g, 0.01) << ring;
        EXPECT_NEAR(p[5] * 255.0f, want.b, 0.01) << ring;
    }
}
