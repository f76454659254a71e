// The pipe as a whole: each point's deviation from the nominal wall for
// shapes whose answer is known, the grade profile and its sags from a known
// pitch profile, and the unrolled map of a debris bed.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "TempDir.h"
#include "analysis/Grade.h"
#include "analysis/PipeCondition.h"
#include "analysis/UnrolledMap.h"
#include "doc/GradeOutput.h"
#include "doc/TubescanDoc.h"

namespace {

using analysis::ProfileSample;
constexpr double kPi = std::numbers::pi;

ProfileSample At(double x, double y, double distance = 0.0) {
    double bearing = std::atan2(x, y) * 180.0 / kPi;
    if (bearing < 0.0) bearing += 360.0;
    return ProfileSample{bearing, std::hypot(x, y), x, y, 0.0, distance};
}

// One revolution at 1 degree steps in a circular pipe of radius r centred at
// (cx, cy) from the head, with a flat layer whose top lies `layer` metres
// above the invert (0: none): what the beam meets first.
std::vector<ProfileSample> Scan(double cx, double cy, double r, double layer, double distance = 0.0,
                                int steps = 360) {
    std::vector<ProfileSample> scan;
    const double top = cy - r + layer;
    for (int i = 0; i < steps; ++i) {
        const double b = i * 2.0 * kPi / steps, ux = std::sin(b), uy = std::cos(b);
        const double uc = ux * cx + uy * cy;
        double t = uc + std::sqrt(uc * uc - (cx * cx + cy * cy) + r * r);
        if (layer > 0.0 && uy < 0.0) t = std::min(t, top / uy);
        scan.push_back(At(t * ux, t * uy, distance));
    }
    return scan;
}

struct Case {
    const char* name;
    std::vector<ProfileSample> scan;
    double cx, cy;
    std::function<double(double, double)> expected;
    double tolerance;
};

void ExpectDeviations(const Case& c) {
    SCOPED_TRACE(c.name);
    analysis::ScanAnalyser analyser(analysis::NominalPipe{analysis::NominalShape::Circle, 1.0});
    const analysis::ScanFigures f = analyser.Analyse(c.scan);
    ASSERT_TRUE(f.HasCentre());
    EXPECT_NEAR(f.centreX, c.cx, c.tolerance);
    EXPECT_NEAR(f.centreY, c.cy, c.tolerance);
    const auto points = analyser.Points();
    ASSERT_EQ(points.size(), c.scan.size());
    double worst = 0.0;
    for (const analysis::AnalysedPoint& p : points) {
        ASSERT_TRUE(std::isfinite(p.deviation));
        worst = std::max(worst, std::fabs(p.deviation - c.expected(p.x, p.y)));
    }
    EXPECT_LT(worst, c.tolerance);
}

// Nominal circle of 1 m in every case.
TEST(PointDeviation, CircleAndEllipseOffCentreExactly) {
    std::vector<ProfileSample> ellipse;
    for (int i = 0; i < 360; ++i) {
        const double a = i * kPi / 180.0;
        ellipse.push_back(At(0.05 + 0.52 * std::cos(a), -0.03 + 0.48 * std::sin(a)));
    }
    const Case cases[] = {
        {"circle off centre, 2 cm small", Scan(0.12, -0.07, 0.48, 0.0), 0.12, -0.07,
         [](double, double) { return 0.02; }, 1e-6},
        {"ellipse off centre", ellipse, 0.05, -0.03,
         [](double x, double y) { return 0.5 - std::hypot(x - 0.05, y + 0.03); }, 1e-6},
    };
    for (const Case& c : cases)
        ExpectDeviations(c);
}

// The layer's points stand inside the wall by their radial height above it;
// the wall's own points lie on it. A centre fit that let the flat layer pull
// the centre up would give the whole wall a false deviation.
TEST(PointDeviation, FlatLayerStandsInsideByItsHeightWallOnNominal) {
    ExpectDeviations({"flat layer 10 cm deep", Scan(0.0, 0.1, 0.5, 0.1), 0.0, 0.1,
                      [](double x, double y) { return 0.5 - std::hypot(x, y - 0.1); }, 2e-3});
}

// Elevation along the pipe: a steady 1 % climb with a sag of 5 cm between
// 10 m and 20 m, as a cosine dip; the pings' pitch is its slope.
double Elevation(double s) {
    double z = 0.01 * s;
    if (s > 10.0 && s < 20.0) z -= 0.05 * (1.0 - std::cos(2.0 * kPi * (s - 10.0) / 10.0)) / 2.0;
    return z;
}

double PitchAt(double s) {
    const double h = 1e-4;
    return std::asin((Elevation(s + h) - Elevation(s - h)) / (2.0 * h)) * 180.0 / kPi;
}

TEST(GradeProfile, KnownSagIntegratedFromPitchInAnyOrder) {
    for (const bool backwards : {false, true}) {
        SCOPED_TRACE(backwards ? "pulled back" : "going forward");
        analysis::GradeProfile grade;
        for (int i = 0; i <= 3000; ++i) {
            const double s = (backwards ? 3000 - i : i) * 0.01;
            grade.Add(s, PitchAt(s));
            grade.Add(s, NAN); // a ping without a valid pitch counts for nothing
        }
        const auto rows = grade.Rows();
        ASSERT_EQ(rows.size(), 301u);
        EXPECT_NEAR(rows.front().distance, 0.0, 1e-9);
        EXPECT_NEAR(rows[50].distance, 5.0, 1e-9);
        EXPECT_NEAR(rows[50].grade, 1.0, 1e-3);
        for (const analysis::GradeRow& r : rows)
            ASSERT_NEAR(r.elevation, Elevation(r.distance), 1.5e-3) << r.distance;

        const auto sags = analysis::FindSags(rows, 0.02);
        ASSERT_EQ(sags.size(), 1u);
        // The dip's last 0.6 m at either end lie within 2 mm of the line (a
        // tenth of the threshold), which counts as on it.
        EXPECT_NEAR(sags[0].start, 10.6, 0.15);
        EXPECT_NEAR(sags[0].end, 19.4, 0.15);
        EXPECT_NEAR(sags[0].deepestAt, 15.0, 0.3);
        // The dip is measured against the chord of the climb, so its depth is
        // the dip's own.
        EXPECT_NEAR(sags[0].depth, 0.05, 2e-3);
        EXPECT_TRUE(analysis::FindSags(rows, 0.06).empty());
    }
}

// Ten pings a second moving 1 cm each at 1 degree, with the distance sensor
// glitching to 1e9 m for one ping and to 9999.99 m for a few: the glitches
// are no steps of the profile and lift no elevation.
TEST(GradeProfile, DistanceStepsNoCarrierMakesAreLeftOut) {
    const auto survey = [] {
        analysis::GradeProfile grade;
        for (int i = 0; i < 300; ++i) {
            ProfileSample s = At(0.3, 0.4, 12.0 + 0.01 * i);
            s.time = 1000.0 + 0.1 * i;
            s.pitch = 1.0;
            if (i == 100) s.distance = 1.0e9;
            if (i >= 200 && i < 205) s.distance = 9999.99;
            grade.Add(s);
        }
        return grade.Rows();
    };
    const auto rows = survey();
    ASSERT_EQ(rows.size(), 31u);
    EXPECT_NEAR(rows.front().distance, 12.0, 1e-9);
    EXPECT_NEAR(rows.back().distance, 15.0, 1e-9);
    EXPECT_NEAR(rows.back().elevation, 3.0 * std::sin(kPi / 180.0), 1e-9);
}

TEST(GradeProfile, NoValidPitchGivesNoRows) {
    analysis::GradeProfile grade;
    for (const double pitch : {double(NAN), double(INFINITY), 90.0, -120.0})
        grade.Add(1.0, pitch);
    grade.Add(NAN, 2.0);
    EXPECT_FALSE(grade.HasPitch());
    EXPECT_TRUE(grade.Rows().empty());
    EXPECT_NEAR(analysis::DefaultSagThreshold({analysis::NominalShape::Circle, 1.5}), 0.03, 1e-12);
}

TEST(GradeProfile, TableHasOneLinePerStepOrNoneWithoutPitch) {
    const CTubescanDoc doc;
    TempDir dir;
    for (const bool withPitch : {true, false}) {
        SCOPED_TRACE(withPitch ? "pitch" : "no pitch");
        GradeCsvOutput out;
        int error = 0;
        ASSERT_TRUE(out.Create(dir.File("g.csv"), conversion::PassContextOf(doc), &error));
        // Half a metre at a steady 2 degrees nose-down, five pings a step.
        for (int i = 0; i <= 25; ++i) {
            ProfileSample s = At(0.3, 0.4, 1.0 + i * 0.02);
            if (withPitch) s.pitch = -2.0;
            out.Add(s);
        }
        EXPECT_EQ(out.Finish(), withPitch);
        const std::string text = dir.Read("g.csv");
        if (!withPitch) {
            EXPECT_NE(out.Error().find("no valid pitch"), std::string::npos) << out.Error();
            EXPECT_EQ(text, ""); // the file Create made stays empty; the pass removes it
            continue;
        }
        // 1.0 to 1.5 m: six steps; each 0.1 m drops 0.1 sin 2 degrees.
        EXPECT_EQ(text, "distance_m,pitch_deg,grade_pct,elevation_m\n"
                        "1.0,-2.000,-3.492,0.0000\n"
                        "1.1,-2.000,-3.492,-0.0035\n"
                        "1.2,-2.000,-3.492,-0.0070\n"
                        "1.3,-2.000,-3.492,-0.0105\n"
                        "1.4,-2.000,-3.492,-0.0140\n"
                        "1.5,-2.000,-3.492,-0.0174\n");
    }
}

// Scans 1 m apart about a centre off the head, a point every quarter degree
// about it, with a flat 10 cm debris bed from the fourth scan to the seventh:
// the bed's points lie on its flat top and stand inside the wall by their
// radial distance from it.
std::vector<analysis::AnalysedScan> DebrisBed() {
    std::vector<analysis::AnalysedScan> scans;
    for (int i = 0; i < 10; ++i) {
        analysis::AnalysedScan a;
        a.figures.distance = i * 1.0;
        a.figures.centreX = 0.05;
        a.figures.centreY = 0.1;
        const bool bed = i >= 3 && i <= 6;
        for (int k = 0; k < 1440; ++k) {
            const double bearing = (k + 0.5) * 0.25, b = bearing * kPi / 180.0;
            const double fromDown = std::fabs(bearing - 180.0) * kPi / 180.0;
            double r = 0.5;
            if (bed && std::cos(fromDown) > 0.8) r = 0.4 / std::cos(fromDown);
            a.points.push_back({0.05 + r * std::sin(b), 0.1 + r * std::cos(b), 0.5 - r});
        }
        scans.push_back(std::move(a));
    }
    return scans;
}

TEST(UnrolledMap, DebrisBedLiesAtTheInvertBearingsAndItsDistances) {
    analysis::UnrolledMap map(16);
    const auto scans = DebrisBed();
    for (std::size_t i = 0; i < scans.size(); ++i) {
        const auto change = map.Add(scans[i]);
        EXPECT_EQ(change.row, i);
        EXPECT_FALSE(change.all);
    }
    ASSERT_EQ(map.Rows(), 10u);
    for (std::size_t row = 0; row < 10; ++row) {
        SCOPED_TRACE(row);
        const bool bed = row >= 3 && row <= 6;
        EXPECT_DOUBLE_EQ(map.Distance(row), row * 1.0);
        // The bed spans about 143 to 217 degrees about the centre.
        for (const int column : {160, 180, 200})
            if (bed)
                EXPECT_NEAR(map.Deviation(row, column),
                            0.5 - 0.4 / std::cos((column + 0.5 - 180) * kPi / 180), 0.01);
            else
                EXPECT_NEAR(map.Deviation(row, column), 0.0, 0.002);
        for (const int column : {0, 90, 120, 240, 270, 359})
            EXPECT_NEAR(map.Deviation(row, column), 0.0, 0.002);
    }

    // The same pipe seen by a head rolled 30 degrees, roll correction off:
    // the points and the fitted centre are in the head's frame, where the
    // pipe's up lies at 30 degrees. The bed stays at the pipe's invert.
    analysis::UnrolledMap rolled(16);
    const double u = 30.0 * kPi / 180.0;
    const auto turn = [u](double& x, double& y) {
        const double tx = x * std::cos(u) + y * std::sin(u);
        y = -x * std::sin(u) + y * std::cos(u);
        x = tx;
    };
    for (analysis::AnalysedScan scan : scans) {
        turn(scan.figures.centreX, scan.figures.centreY);
        for (analysis::AnalysedPoint& p : scan.points)
            turn(p.x, p.y);
        scan.samples.assign(3, ProfileSample{});
        for (ProfileSample& s : scan.samples)
            s.upBearing = 30.0;
        rolled.Add(scan);
    }
    for (std::size_t row = 0; row < 10; ++row)
        for (int column = 0; column < analysis::UnrolledMap::kColumns; column += 5)
            ASSERT_NEAR(rolled.Deviation(row, column), map.Deviation(row, column), 0.01)
                << "row " << row << ", column " << column;
}

TEST(UnrolledMap, NarrowGapsBetweenPointsFilledWideOnesLeftEmpty) {
    analysis::UnrolledMap map(4);
    analysis::AnalysedScan scan;
    scan.figures.distance = 0.0;
    scan.figures.centreX = scan.figures.centreY = 0.0;
    // Points at 10.5, 13.5 and 20.5 degrees: two empty columns between the
    // first two, six between the last two.
    for (const auto& [bearing, deviation] : {std::pair{10.5, 0.01}, {13.5, 0.03}, {20.5, 0.05}}) {
        const double b = bearing * kPi / 180.0;
        scan.points.push_back({0.5 * std::sin(b), 0.5 * std::cos(b), deviation});
    }
    map.Add(scan);
    EXPECT_NEAR(map.Deviation(0, 10), 0.01, 1e-6);
    EXPECT_NEAR(map.Deviation(0, 11), 0.02, 1e-6);
    EXPECT_NEAR(map.Deviation(0, 12), 0.02, 1e-6);
    for (const int column : {9, 14, 17, 19, 21, 359})
        EXPECT_TRUE(std::isnan(map.Deviation(0, column))) << column;
}

TEST(UnrolledMap, FullHistoryMergesRowsAndKeepsMeans) {
    analysis::UnrolledMap map(4);
    const auto scans = DebrisBed();
    bool merged = false;
    for (const auto& s : scans)
        merged = map.Add(s).all || merged;
    EXPECT_TRUE(merged);
    // Ten scans in at most four rows: four scans a row after two merges.
    EXPECT_EQ(map.ScansPerRow(), 4u);
    ASSERT_EQ(map.Rows(), 3u);
    EXPECT_DOUBLE_EQ(map.Distance(0), 1.5); // scans 0-3
    EXPECT_DOUBLE_EQ(map.Distance(1), 5.5); // scans 4-7
    EXPECT_DOUBLE_EQ(map.Distance(2), 8.5); // scans 8-9
    // Row 1 holds three bed scans of four: the mean of their cells.
    const double bedAt180 = 0.5 - 0.4 / std::cos(0.5 * kPi / 180);
    EXPECT_NEAR(map.Deviation(1, 180), bedAt180 * 3 / 4, 0.01);
    EXPECT_NEAR(map.Deviation(2, 180), 0.0, 0.002);
}

} // namespace
