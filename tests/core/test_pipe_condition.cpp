// Pipe-condition figures against the simulator's truth: recordings made in
// the test from the simulated head's replies (the distance along the pipe in
// the records' orientation fields), converted by the program's own playback.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <utility>

#include "../support/PipeSurvey.h"
#include "TempDir.h"
#include "analysis/ConditionCsv.h"
#include "analysis/PipeCondition.h"
#include "analysis/ScanCutter.h"
#include "doc/ConditionOutput.h"
#include "doc/RecordBinding.h"
#include "doc/TubescanDoc.h"
#include "format/RecordFormat.h"
#include "sim/HeadModel.h"

namespace {

using pipesurvey::Command;
using pipesurvey::kPingPeriod;
using pipesurvey::WriteSurvey;

using Row = std::vector<std::string>;

// Converts the recording with the pipe-condition output; the CSV's rows.
std::vector<Row> Analyse(const TempDir& dir, const std::string& settings, double* volume) {
    ConditionCsvOutput table;
    conversion::Options options;
    options.settings = IniFile::FromText(settings);
    options.points = &table;
    const conversion::Result r =
        conversion::ConvertRecordFile(dir.File("s.31l"), dir.File("s.csv"), options);
    EXPECT_EQ(r.outcome, conversion::Outcome::Converted) << r.detail;
    if (volume) *volume = table.Survey().DebrisVolume();
    std::istringstream in(dir.Read("s.csv"));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, analysis::kConditionCsvHeader);
    std::vector<Row> rows;
    while (std::getline(in, line)) {
        Row row;
        std::stringstream fields(line);
        for (std::string v; std::getline(fields, v, ',');)
            row.push_back(v);
        if (line.back() == ',') row.push_back("");
        EXPECT_EQ(row.size(), 15u) << line;
        rows.push_back(row);
    }
    return rows;
}

double Num(const Row& r, int column) {
    return r[column].empty() ? NAN : std::stod(r[column]);
}

// Ovality by the same definition of an ellipse 1 + v wide and 1 - v high.
double EllipseOvality(double v) {
    const double a = 1.0 + v, b = 1.0 - v;
    double sum = 0.0;
    for (int i = 0; i < 3600; ++i) {
        const double t = 3.14159265358979 * (i + 0.5) / 3600;
        sum += 2 * a * b / 2 / std::hypot(b * std::cos(t), a * std::sin(t));
    }
    const double mean = sum / 3600;
    return 100.0 * (mean - b) / mean;
}

struct Case {
    const char* name;
    double offsetX, offsetY;
};

} // namespace

// A 1 m pipe, oval (0.08) from 3 to 5 m and with a 0.15 m mound from 6 to 9 m,
// the head a little and then far off the pipe's centre: every full scan's
// figures against the truth, skipping the scans that straddle a stretch's end.
TEST(PipeCondition, FiguresMatchTheSimulatedPipe) {
    const double trueOvality = EllipseOvality(0.08);
    for (const Case c : {Case{"near centre", 0.05, -0.08}, Case{"off centre", -0.17, 0.14}}) {
        SCOPED_TRACE(c.name);
        sim::PipeParams pipe;
        pipe.offsetX = c.offsetX;
        pipe.offsetY = c.offsetY;
        pipe.travelSpeed = 0.25 / (400 * kPingPeriod); // a quarter metre per revolution
        pipe.ovalStretches = {{3.0, 5.0, 0.08}};
        pipe.debrisStretches = {{6.0, 9.0, 0.15}};
        TempDir dir;
        WriteSurvey(dir.File("s.31l"), pipe, 400 * 44);
        double volume = 0.0;
        const std::vector<Row> rows = Analyse(dir, "[System Settings]\r\n", &volume);
        ASSERT_GE(rows.size(), 43u);

        double worst[5] = {};
        int full = 0;
        for (const Row& r : rows) {
            const double d = Num(r, 2);
            if (Num(r, 4) < 359.0) continue; // the last, unfinished turn
            ++full;
            auto near = [d](double a, double b) {
                return std::fabs(d - a) < 0.2 || std::fabs(d - b) < 0.2;
            };
            if (near(3.0, 5.0) || near(6.0, 9.0)) continue;
            const bool oval = d > 3.0 && d<5.0, debris = d> 6.0 && d < 9.0;
            const double errors[5] = {
                std::hypot(Num(r, 5) + c.offsetX, Num(r, 6) + c.offsetY),
                std::fabs(Num(r, 7) / (oval ? 0.99520 : 1.0) - 1.0) * 100.0,
                std::fabs(Num(r, 10) - (oval ? trueOvality : 0.0)),
                std::fabs(Num(r, 13) - (debris ? 0.15 : 0.0)),
                std::fabs(Num(r, 14) - (debris ? 0.15 * 0.4 / 2 : 0.0)),
            };
            EXPECT_LT(errors[0], 0.005) << "centre at " << d;
            EXPECT_LT(errors[1], 1.0) << "mean diameter % at " << d;
            EXPECT_LT(errors[2], 0.5) << "ovality at " << d;
            EXPECT_LT(errors[3], debris ? 0.015 : 0.005) << "debris depth at " << d;
            EXPECT_GE(Num(r, 3), 399) << d; // the first ping has no point yet
            for (int k = 0; k < 5; ++k)
                worst[k] = std::max(worst[k], errors[k]);
        }
        EXPECT_EQ(full, 44); // one scan per revolution
        // Three metres of a 0.03 m2 mound.
        EXPECT_NEAR(volume, 0.09, 0.015);
        std::printf("[ %s ] worst error: centre %.4f m, mean diameter %.3f %%, ovality %.3f "
                    "points, debris depth %.4f m, debris area %.5f m2; debris volume %.4f m3\n",
                    c.name, worst[0], worst[1], worst[2], worst[3], worst[4], volume);
    }
}

// A horse-shoe sewer with its nominal shape set: nothing lost, nothing lying.
TEST(PipeCondition, HorseShoeAgainstItsNominalShape) {
    sim::PipeParams pipe;
    pipe.shape = sim::PipeShape::HorseShoe;
    pipe.diameter = 1.6;
    pipe.height = 2.0;
    pipe.offsetX = 0.1;
    pipe.offsetY = -0.2;
    TempDir dir;
    WriteSurvey(dir.File("s.31l"), pipe, 400 * 3, 120, 5);
    const std::vector<Row> rows = Analyse(
        dir, "[System Settings]\r\nPipeShape=1\r\nHorseShoe Width=1.6\r\nHorseShoe Height=2.0\r\n",
        nullptr);
    ASSERT_EQ(rows.size(), 3u);
    for (const Row& r : rows) {
        EXPECT_NEAR(Num(r, 5), -0.1, 0.005);
        EXPECT_NEAR(Num(r, 6), 0.2, 0.005);
        EXPECT_NEAR(Num(r, 12), 0.0, 0.5); // area loss, percent
        EXPECT_LT(Num(r, 13), 0.005);
    }
}

// Scans end where the head completes a turn or turns back, as the simulated
// head moves; partial and nonsense scans give counts but no false figures.
TEST(PipeCondition, ScansFollowTheSweepAndPartialOnesClaimNothing) {
    for (const int sector : {120, 30}) { // all round; 90 degrees
        sim::HeadModel head{sim::PipeParams{}};
        const headproto::HeadCommand command = Command(sector, 4);
        analysis::ScanCutter cutter;
        analysis::ScanAnalyser analyser;
        int scans = 0;
        for (int i = 0, first = 1; i < 2000; ++i) {
            head.Answer(command, i * kPingPeriod);
            const double range = head.SurfaceRange(head.Angle());
            if (!cutter.Add(analysis::FromPolar(head.Angle(), range, i, 0.0))) continue;
            ++scans;
            if (std::exchange(first, 0)) continue; // from wherever the head started
            const analysis::ScanFigures f = analyser.Analyse(cutter.Completed());
            if (sector == 120) {
                EXPECT_EQ(f.points, 400u);
                EXPECT_NEAR(f.ovality, 0.0, 0.01);
            } else {
                EXPECT_NEAR(f.coverage, 90.0, 1.0);
                EXPECT_TRUE(std::isnan(f.meanDiameter) && std::isnan(f.openArea));
            }
        }
        // 2000 steps of 0.9 degrees: 5 turns, or 20 passes of 90 degrees.
        EXPECT_NEAR(scans, sector == 120 ? 4 : 19, 1) << sector;
    }

    analysis::ScanAnalyser analyser;
    std::vector<analysis::ProfileSample> held(500, analysis::FromPolar(45.0, 0.5, 0, 2.0));
    std::vector<analysis::ProfileSample> junk(300, analysis::FromPolar(10.0, NAN, NAN, NAN));
    for (std::size_t i = 0; i < junk.size(); ++i)
        junk[i] = analysis::FromPolar(i * 1.2, i % 2 ? 0.0 : 1e300, NAN, 1.0);
    for (const auto* scan : {&held, &junk}) {
        const analysis::ScanFigures f = analyser.Analyse(*scan);
        EXPECT_FALSE(f.HasCentre());
        std::string line;
        analysis::BuildConditionCsvLine(line, 7, f);
        EXPECT_EQ(line.find("nan"), std::string::npos) << line;
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 14) << line;
    }
    // A nominal pipe too large for its area to be a number gives none, and
    // nothing measured against it comes out infinite.
    analysis::NominalPipe huge;
    huge.diameter = 1e200;
    analysis::ScanAnalyser against(huge);
    std::vector<analysis::ProfileSample> round;
    for (int i = 0; i < 400; ++i)
        round.push_back(analysis::FromPolar(i * 0.9, 0.5, i, 1.0));
    const analysis::ScanFigures f = against.Analyse(round);
    EXPECT_TRUE(f.HasCentre());
    EXPECT_TRUE(std::isnan(f.nominalArea) && std::isnan(f.areaLoss));
    std::string line;
    analysis::BuildConditionCsvLine(line, 1, f);
    EXPECT_EQ(line.find("inf"), std::string::npos) << line;

    // Numbers keep their "." under a locale that writes a comma.
    if (std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        std::string line;
        analysis::ScanFigures f;
        f.distance = 1.5;
        analysis::BuildConditionCsvLine(line, 1, f);
        std::setlocale(LC_ALL, "C");
        EXPECT_EQ(line, "1,,1.500,0,0.0,,,,,,,,,,\n");
    }
}

namespace {

// A pipe cut by one revolution of the head: an elliptic wall (semi-axes a
// across, b up) with a flat layer `layer` above its invert, the head at
// (hx, hy) from the pipe's centre and pitched against the pipe's axis, so
// the scan plane cuts the pipe obliquely. Built analytically, 400 beams.
struct AnalyticPipe {
    double a = 0.5, b = 0.5, layer = 0.0, pitch = 0.0;
    double hx = 0.05, hy = -0.08;
};

// The head's ping at `bearing` in that pipe.
analysis::ProfileSample AnalyticPing(const AnalyticPipe& p, double bearing, int i) {
    constexpr double kDeg = 3.14159265358979323846 / 180.0;
    // The beam in the plane square to the pipe, per unit of range.
    const double dx = std::sin(bearing * kDeg),
                 dy = std::cos(bearing * kDeg) * std::cos(p.pitch * kDeg);
    const double qa = dx * dx / (p.a * p.a) + dy * dy / (p.b * p.b);
    const double qb = 2.0 * (p.hx * dx / (p.a * p.a) + p.hy * dy / (p.b * p.b));
    const double qc = p.hx * p.hx / (p.a * p.a) + p.hy * p.hy / (p.b * p.b) - 1.0;
    double t = (-qb + std::sqrt(qb * qb - 4.0 * qa * qc)) / (2.0 * qa);
    const double top = -p.b + p.layer;
    if (p.layer > 0.0 && dy < 0.0) t = std::min(t, (top - p.hy) / dy);
    analysis::ProfileSample s = analysis::FromPolar(bearing, t, i * 0.05, 1.0);
    s.pitch = p.pitch;
    return s;
}

std::vector<analysis::ProfileSample> AnalyticScan(const AnalyticPipe& p) {
    std::vector<analysis::ProfileSample> scan;
    for (int i = 0; i < 400; ++i)
        scan.push_back(AnalyticPing(p, i * 0.9, i));
    return scan;
}

// Area of a circle's segment `h` deep.
double Segment(double r, double h) {
    return r * r * std::acos((r - h) / r) - (r - h) * std::sqrt(2.0 * r * h - h * h);
}

} // namespace

// Sediment lying flat across the invert, an oval pipe under sediment and a
// head pitched against a round pipe: the wall's figures stay the wall's and
// the debris is measured against it.
TEST(PipeCondition, FlatSedimentAndPitchedHeadKeepTheWallsFigures) {
    struct Row {
        const char* name;
        AnalyticPipe pipe;
        double ovality, ovalityTolerance, depthTolerance;
        double area; // m2; negative: not checked
    };
    const double ovalTruth = EllipseOvality(0.06);
    const Row rows[] = {
        {"round, 0.05 m layer", {0.5, 0.5, 0.05}, 0.0, 0.5, 0.015, Segment(0.5, 0.05)},
        {"round, 0.15 m layer", {0.5, 0.5, 0.15}, 0.0, 0.5, 0.015, Segment(0.5, 0.15)},
        {"round, 0.30 m layer", {0.5, 0.5, 0.30}, 0.0, 0.5, 0.015, Segment(0.5, 0.30)},
        {"round, layer, off centre",
         {0.5, 0.5, 0.20, 0.0, -0.15, 0.12},
         0.0,
         0.5,
         0.015,
         Segment(0.5, 0.20)},
        {"6 % oval, 0.12 m layer", {0.53, 0.47, 0.12}, ovalTruth, 1.0, 0.020, -1.0},
        {"round, pitched 5 deg", {0.5, 0.5, 0.0, 5.0}, 0.0, 0.5, 0.005, 0.0},
        {"round, pitched 12 deg", {0.5, 0.5, 0.0, 12.0}, 0.0, 0.5, 0.005, 0.0},
        {"round, pitched 15 deg", {0.5, 0.5, 0.0, 15.0}, 0.0, 0.5, 0.005, 0.0},
        {"round, pitched 10 deg, layer",
         {0.5, 0.5, 0.15, 10.0},
         0.0,
         0.5,
         0.015,
         Segment(0.5, 0.15)},
    };
    analysis::ScanAnalyser analyser;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const analysis::ScanFigures f = analyser.Analyse(AnalyticScan(r.pipe));
        ASSERT_TRUE(f.HasCentre());
        EXPECT_NEAR(f.centreX, -r.pipe.hx, 0.010);
        EXPECT_NEAR(f.centreY, -r.pipe.hy * std::cos(r.pipe.pitch * 3.14159265358979 / 180), 0.010);
        EXPECT_NEAR(f.ovality, r.ovality, r.ovalityTolerance);
        EXPECT_NEAR(f.debrisDepth, r.pipe.layer, r.depthTolerance);
        if (r.area > 0.0) {
            EXPECT_NEAR(f.debrisArea, r.area, 0.15 * r.area);
        }
        if (r.pipe.layer == 0.0 && r.pipe.a == r.pipe.b) {
            EXPECT_NEAR(f.meanDiameter, 1.0, 0.005);
        }
        // Each point's deviation: the layer's points inward by their depth
        // over the wall, the wall's about nothing.
        const auto points = analyser.Points();
        ASSERT_EQ(points.size(), 400u);
        double worstWall = 0.0;
        for (const analysis::AnalysedPoint& p : points) {
            const double py = p.y - f.centreY;
            if (r.pipe.a == r.pipe.b && py > -0.5 + r.pipe.layer + 0.02)
                worstWall = std::max(worstWall, std::fabs(p.deviation));
        }
        if (r.pipe.a == r.pipe.b) {
            EXPECT_LT(worstWall, 0.005);
        }
        std::printf("[ %s ] ovality %.3f %%, mean diameter %.4f m, centre (%.4f, %.4f), debris "
                    "depth %.4f m, area %.5f m2\n",
                    r.name, f.ovality, f.meanDiameter, f.centreX, f.centreY, f.debrisDepth,
                    f.debrisArea);
    }
}

// Sediment so deep that too little wall is left to tell its shape: no
// diameters and no debris figure rather than a guess.
TEST(PipeCondition, TooLittleWallGivesNoDiameters) {
    analysis::ScanAnalyser analyser;
    const analysis::ScanFigures f = analyser.Analyse(AnalyticScan({0.5, 0.5, 0.45, 0.0, 0.0, 0.2}));
    EXPECT_TRUE(std::isnan(f.ovality));
    EXPECT_TRUE(std::isnan(f.debrisDepth));
}

// Stray echoes, each a lone point nearer or farther than the wall, over a
// round pipe with no sediment and with flat layers 0.05 and 0.12 m deep,
// the head level and pitched 10 degrees: the depth stays the layer's within
// 5 mm in every scan and a bare invert shows no debris at all. A lone echo
// below or above the invert line is noise, not a deposit.
TEST(PipeCondition, LoneStrayEchoesAreNoDebris) {
    analysis::ScanAnalyser analyser;
    for (const double layer : {0.0, 0.05, 0.12}) {
        for (const double pitch : {0.0, 10.0}) {
            for (const double stray : {0.0, 0.002, 0.01}) {
                std::mt19937 rng(7);
                std::uniform_real_distribution<double> unit(0.0, 1.0);
                std::normal_distribution<double> noise(0.0, 0.002);
                const AnalyticPipe pipe{0.5, 0.5, layer, pitch};
                double worst = 0.0, worstArea = 0.0;
                int withDepth = 0, scans = 0;
                for (; scans < 150; ++scans) {
                    std::vector<analysis::ProfileSample> scan = AnalyticScan(pipe);
                    for (analysis::ProfileSample& s : scan) {
                        double range = s.range + noise(rng);
                        if (unit(rng) < stray)
                            range *=
                                unit(rng) < 0.5 ? 0.3 + 0.6 * unit(rng) : 1.05 + 0.3 * unit(rng);
                        const analysis::ProfileSample moved =
                            analysis::FromPolar(s.bearing, range, s.time, s.distance);
                        s.range = moved.range;
                        s.x = moved.x;
                        s.y = moved.y;
                    }
                    const analysis::ScanFigures f = analyser.Analyse(scan);
                    if (std::isnan(f.debrisDepth)) continue;
                    ++withDepth;
                    worst = std::max(worst, std::fabs(f.debrisDepth - layer));
                    worstArea = std::max(worstArea, std::fabs(f.debrisArea - Segment(0.5, layer)));
                }
                SCOPED_TRACE(testing::Message() << "layer " << layer << " m, pitch " << pitch
                                                << " deg, stray " << stray);
                // Stray echoes may cost a scan its figure, never most of them.
                EXPECT_GE(withDepth, scans * 9 / 10);
                EXPECT_LT(worst, layer == 0.0 ? 1e-12 : 0.005);
                EXPECT_LE(worstArea, 0.1 * Segment(0.5, layer));
                std::printf("[ layer %.2f m, pitch %.0f deg, stray %.1f %% ] %d of %d scans with "
                            "a depth, worst error %.4f m, %.5f m2\n",
                            layer, pitch, stray * 100, withDepth, scans, worst, worstArea);
            }
        }
    }
}

namespace {

// One turn of the head that passes where the pipe changes: the first `share`
// of its pings see `before`, the rest `after`. The turn starts at `start`
// degrees and runs clockwise or back; `overshoot` degrees are added to the
// pitch the pings after the change report, fading over a tenth of the turn
// (readings carried on along their slope past a step).
std::vector<analysis::ProfileSample> StraddledScan(const AnalyticPipe& before,
                                                   const AnalyticPipe& after, double share,
                                                   bool clockwise, double start,
                                                   double overshoot = 0.0) {
    std::vector<analysis::ProfileSample> scan;
    const int change = static_cast<int>(share * 400);
    for (int i = 0; i < 400; ++i) {
        const double bearing = std::fmod(start + (clockwise ? i : 400 - i) * 0.9, 360.0);
        analysis::ProfileSample s = AnalyticPing(i < change ? before : after, bearing, i);
        if (i >= change && i < change + 40) s.pitch += overshoot * (change + 40 - i) / 40.0;
        scan.push_back(s);
    }
    return scan;
}

} // namespace

// Scans that straddle the end of an oval stretch, in either direction and
// wherever the turn starts, and a change of the head's pitch: no debris
// where there is none, and an ovality between the two walls' or none at
// all. The same pipes without the change keep every figure.
TEST(PipeCondition, ScanStraddlingAChangeOfThePipeClaimsNoDebris) {
    const double ovalTruth = EllipseOvality(0.08);
    const AnalyticPipe round{0.5, 0.5}, oval{0.54, 0.46}, pitched{0.5, 0.5, 0.0, 10.0};
    struct Row {
        const char* name;
        AnalyticPipe before, after;
        double share, start;
        bool clockwise;
        double overshoot;
    };
    const Row rows[] = {
        // The turn's two ends see different walls.
        {"oval to round, 40 %, back from the crown", oval, round, 0.4, 0.0, false, 0.0},
        {"round to oval, 60 %, clockwise from the crown", round, oval, 0.6, 0.0, true, 0.0},
        {"oval to round, half, back from the invert", oval, round, 0.5, 180.0, false, 0.0},
        // The ends see the same wall; the stretch between lies inside the
        // fit, shaped like wall or up the side.
        {"oval to round, 10 %, back from 240", oval, round, 0.1, 240.0, false, 0.0},
        {"oval to round, 25 %, back from 240", oval, round, 0.25, 240.0, false, 0.0},
        // The head pitches 10 degrees within the turn.
        {"pitch 0 to 10, readings true", round, pitched, 0.5, 0.0, true, 0.0},
        {"pitch 0 to 10, readings overshoot", round, pitched, 0.5, 0.0, true, 10.0},
        {"pitch 10 to 0, readings overshoot", pitched, round, 0.3, 45.0, false, -10.0},
    };
    analysis::ScanAnalyser analyser;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const analysis::ScanFigures f = analyser.Analyse(
            StraddledScan(r.before, r.after, r.share, r.clockwise, r.start, r.overshoot));
        ASSERT_TRUE(f.HasCentre());
        if (!std::isnan(f.debrisDepth)) {
            EXPECT_LT(f.debrisDepth, 0.005);
        }
        const bool ovalInside = r.before.a != r.before.b || r.after.a != r.after.b;
        if (!std::isnan(f.ovality)) {
            EXPECT_LT(f.ovality, (ovalInside ? ovalTruth : 0.0) + 0.5);
        } else {
            // No wall was trusted, so no loss against it either.
            EXPECT_TRUE(std::isnan(f.areaLoss)) << f.areaLoss;
        }

        // Each wall alone, turned the same way: every figure, and the truth.
        for (const AnalyticPipe* wall : {&r.before, &r.after}) {
            const analysis::ScanFigures g =
                analyser.Analyse(StraddledScan(*wall, *wall, 1.0, r.clockwise, r.start));
            EXPECT_NEAR(g.ovality, wall->a != wall->b ? ovalTruth : 0.0, 0.5);
            EXPECT_NEAR(g.debrisDepth, 0.0, 0.003);
        }
    }

    // A 0.15 m mound the turn leaves before, at and past its top: what is
    // left of it is measured, or no figure is given, never a bare invert.
    sim::PipeParams pipe;
    pipe.debrisStretches = {{0.0, 1.0, 0.15}};
    for (const int change : {200, 205, 210}) {
        sim::HeadModel head(pipe);
        std::vector<analysis::ProfileSample> scan;
        for (int i = 0; i < 400; ++i) {
            head.MoveTo(i < change ? 0.5 : 1.5);
            scan.push_back(analysis::FromPolar(i * 0.9, head.SurfaceRange(i * 0.9), i * 0.05, 1.0));
        }
        const double depth = analyser.Analyse(scan).debrisDepth;
        EXPECT_TRUE(std::isnan(depth) || depth > 0.1) << change << ": " << depth;
    }
}

// The same situations recorded from the simulated head and converted by the
// program's playback: a flat layer at three depths, a 6 % oval under a
// layer, and the head pitched 5, 10 and 15 degrees (its own pitch word says
// so). Every full scan clear of a stretch's ends is checked against the truth.
TEST(PipeCondition, SimulatedFlatLayerAndPitchedHead) {
    const double ovalTruth = EllipseOvality(0.06);
    sim::PipeParams pipe;
    pipe.travelSpeed = 0.25 / (400 * kPingPeriod); // a quarter metre per revolution
    pipe.layerStretches = {{1.0, 2.5, 0.05}, {3.0, 4.5, 0.15}, {5.0, 6.5, 0.30}, {7.0, 8.5, 0.12}};
    pipe.ovalStretches = {{7.0, 8.5, 0.06}};
    pipe.pitchStretches = {{9.0, 10.5, 5.0}, {11.0, 12.5, 10.0}, {13.0, 14.5, 15.0}};
    TempDir dir;
    WriteSurvey(dir.File("s.31l"), pipe, 400 * 60);
    // A copy on request, to run other builds of the converter on the same survey.
    if (const char* keep = std::getenv("TUBESCAN_KEEP_SURVEY"))
        std::filesystem::copy_file(dir.File("s.31l"), keep,
                                   std::filesystem::copy_options::overwrite_existing);
    const std::vector<Row> rows = Analyse(dir, "[System Settings]\r\n", nullptr);
    ASSERT_GE(rows.size(), 59u);
    struct Truth {
        double from, to, layer, ovality, pitch;
    };
    const Truth truths[] = {{1.0, 2.5, 0.05, 0.0, 0},  {3.0, 4.5, 0.15, 0.0, 0},
                            {5.0, 6.5, 0.30, 0.0, 0},  {7.0, 8.5, 0.12, ovalTruth, 0},
                            {9.0, 10.5, 0.0, 0.0, 5},  {11.0, 12.5, 0.0, 0.0, 10},
                            {13.0, 14.5, 0.0, 0.0, 15}};
    for (const Truth& t : truths) {
        int checked = 0;
        double worst[4] = {};
        for (const Row& r : rows) {
            const double d = Num(r, 2);
            if (Num(r, 4) < 359.0 || d < t.from + 0.2 || d > t.to - 0.2) continue;
            ++checked;
            const double r2 = 0.5, h = t.layer;
            const double area = h > 0 ? r2 * r2 * std::acos((r2 - h) / r2) -
                                            (r2 - h) * std::sqrt(2 * r2 * h - h * h)
                                      : 0.0;
            const double centreError =
                std::hypot(Num(r, 5) + pipe.offsetX, Num(r, 6) + pipe.offsetY);
            const double errors[4] = {std::fabs(Num(r, 10) - t.ovality), centreError,
                                      std::fabs(Num(r, 13) - h),
                                      h > 0 ? std::fabs(Num(r, 14) - area) / area : 0.0};
            EXPECT_LT(errors[0], t.ovality > 0 ? 1.0 : 0.5) << "ovality at " << d;
            if (t.ovality == 0.0) {
                EXPECT_LT(centreError, 0.010) << "centre at " << d;
                EXPECT_LT(errors[2], 0.015) << "debris depth at " << d;
                EXPECT_LT(errors[3], 0.15) << "debris area at " << d;
            } else {
                EXPECT_LT(errors[2], 0.020) << "debris depth at " << d;
            }
            if (t.pitch > 0) {
                EXPECT_NEAR(Num(r, 7), 1.0, 0.005) << "mean diameter at " << d;
            }
            for (int k = 0; k < 4; ++k)
                worst[k] = std::max(worst[k], errors[k]);
        }
        EXPECT_GE(checked, 4) << t.from;
        std::printf("[ layer %.2f m, ovality %.2f %%, pitch %.0f deg ] worst error: ovality %.3f "
                    "points, centre %.4f m, debris depth %.4f m, debris area %.1f %%\n",
                    t.layer, t.ovality, t.pitch, worst[0], worst[1], worst[2], worst[3] * 100);
    }
}

// One record in three with a garbled distance: the scans keep their places
// along the pipe and the debris volume stays that of the mound.
TEST(PipeCondition, GarbledDistancesKeepTheLastValidOne) {
    sim::PipeParams pipe;
    pipe.travelSpeed = 0.25 / (400 * kPingPeriod);
    pipe.debrisStretches = {{1.0, 4.0, 0.15}};
    TempDir dir;
    WriteSurvey(dir.File("s.31l"), pipe, 400 * 20, 120, 4, 3);
    double volume = 0.0;
    const std::vector<Row> rows = Analyse(dir, "[System Settings]\r\n", &volume);
    ASSERT_GE(rows.size(), 19u);
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_NEAR(Num(rows[i], 2) - Num(rows[i - 1], 2), 0.25, 0.01) << i;
    EXPECT_NEAR(volume, 0.09, 0.015);
}
