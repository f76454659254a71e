// The survey placed on its pipe in a projected coordinate system: a
// synthetic round pipe, scanned by a head off its centre, lands on the
// cylinder about the axis between the nodes, whichever way it was surveyed
// and in whichever unit the system counts; the system itself is PROJ's.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/PipeAxis.h"
#include "analysis/WallPick.h"
#include "analysis/WorldCrs.h"

namespace {

constexpr double kRadius = 0.3; // metres: a 600 mm pipe
constexpr double kPi = 3.14159265358979323846;

std::string Shell(const std::string& command) {
    std::string out;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            out.append(buffer, n);
        ::pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

// One scan of the round pipe at chainage s from a head sitting (dx, dy) off
// the pipe's centre, a point every 3 degrees, clockwise from up.
std::vector<analysis::ProfileSample> Scan(double s, double dx, double dy) {
    std::vector<analysis::ProfileSample> scan;
    for (int b = 0; b < 360; b += 3) {
        analysis::ProfileSample p;
        p.bearing = b;
        p.x = std::sin(b * kPi / 180.0) * kRadius - dx;
        p.y = std::cos(b * kPi / 180.0) * kRadius - dy;
        p.range = std::hypot(p.x, p.y);
        p.distance = s;
        p.time = s;
        p.echo = 100;
        scan.push_back(p);
    }
    return scan;
}

struct Placed {
    double s, bearing;
    geo::Vec3 world;
};

// Every point of a pipe surveyed over `length` metres, placed between the
// nodes; every third scan has too few points for a fitted centre and takes
// its neighbour's (the head's own place would be 8 cm off).
std::vector<Placed> Survey(const survey::NodeCoordinates& start,
                           const survey::NodeCoordinates& finish, double metresPerUnit,
                           double length) {
    analysis::NominalPipe pipe;
    pipe.diameter = 2 * kRadius;
    analysis::ScanAnalyser analyser(pipe);
    const geo::PipeAxis axis(start, finish, 2 * kRadius, metresPerUnit);
    EXPECT_TRUE(axis.Valid());
    geo::ScanPlacer placer(axis);
    std::vector<Placed> placed;
    const geo::ScanPlacer::Emit emit =
        [&placed](const analysis::ScanFigures&, std::span<const analysis::ProfileSample> samples,
                  std::span<const analysis::AnalysedPoint>, std::uint32_t,
                  std::span<const geo::PlacedPoint> points) {
            for (const geo::PlacedPoint& p : points)
                placed.push_back({samples[p.index].distance, samples[p.index].bearing, p.world});
        };
    std::uint32_t number = 1;
    for (double s = 0.0; s <= length; s += 1.0, ++number) {
        std::vector<analysis::ProfileSample> scan = Scan(s, 0.06, -0.05);
        if (number % 3 == 0) {
            std::vector<analysis::ProfileSample> sparse;
            for (std::size_t i = 0; i < scan.size(); i += 6)
                sparse.push_back(scan[i]);
            scan = sparse;
        }
        const analysis::ScanFigures f = analyser.Analyse(scan);
        EXPECT_EQ(f.HasCentre(), number % 3 != 0);
        placer.Add(f, scan, analyser.Points(), number, emit);
    }
    placer.Flush(emit);
    return placed;
}

// Distance from the line through the two nodes' axis points (half the
// height straight above each invert: within 15 micrometres of square to a
// 1 % slope), and the chainage along the inverts, both in metres, worked out
// here without the placement's own frame.
void ExpectOnTheCylinder(const std::vector<Placed>& placed, const survey::NodeCoordinates& a,
                         const survey::NodeCoordinates& b, double metresPerUnit) {
    const double m = metresPerUnit;
    const std::array<double, 3> d{(b.x - a.x) * m, (b.y - a.y) * m, (b.z - a.z) * m};
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const std::array<double, 3> t{d[0] / len, d[1] / len, d[2] / len};
    ASSERT_FALSE(placed.empty());
    std::size_t checked = 0;
    for (const Placed& p : placed) {
        const std::array<double, 3> v{(p.world[0] - a.x) * m, (p.world[1] - a.y) * m,
                                      (p.world[2] - a.z) * m - kRadius};
        // Square to the inverts' line: chainage from the start node's invert.
        const double along = v[0] * t[0] + v[1] * t[1] + (v[2] + kRadius) * t[2];
        const double w = v[0] * t[0] + v[1] * t[1] + v[2] * t[2];
        const std::array<double, 3> across{v[0] - w * t[0], v[1] - w * t[1], v[2] - w * t[2]};
        const double radial =
            std::sqrt(across[0] * across[0] + across[1] * across[1] + across[2] * across[2]);
        ++checked;
        EXPECT_NEAR(radial, kRadius, 0.001) << "at " << p.s << " m, bearing " << p.bearing;
        EXPECT_NEAR(along, p.s, 0.001) << "at " << p.s << " m";
        // Up is up: the crown's point lies above the axis, the right-hand
        // one to the right of the way along (looking from start to finish).
        if (p.bearing == 0.0) {
            EXPECT_NEAR(across[2], kRadius, 0.001);
        }
        if (p.bearing == 90.0) {
            EXPECT_NEAR(across[0] * t[1] - across[1] * t[0], kRadius, 0.001);
        }
    }
    EXPECT_EQ(checked, placed.size());
}

} // namespace

TEST(PipeAxis, ARoundPipeLiesOnTheCylinderBetweenItsNodesEitherWayAndInFeet) {
    const survey::NodeCoordinates upper{500000.000, 5700000.000, 100.000};
    const survey::NodeCoordinates lower{500030.000, 5700040.000, 99.500};
    const double between = std::sqrt(30.0 * 30.0 + 40.0 * 40.0 + 0.5 * 0.5);
    {
        SCOPED_TRACE("downstream in EPSG:25832");
        const geo::CrsResult crs = geo::ResolveCrs("EPSG:25832");
        ASSERT_TRUE(crs.crs) << crs.error;
        EXPECT_EQ(crs.crs->metresPerUnit, 1.0);
        ExpectOnTheCylinder(Survey(upper, lower, 1.0, between), upper, lower, 1.0);
    }
    {
        SCOPED_TRACE("upstream: from the lower node");
        ExpectOnTheCylinder(Survey(lower, upper, 1.0, between), lower, upper, 1.0);
    }
    {
        SCOPED_TRACE("EPSG:2263, US survey feet");
        const geo::CrsResult crs = geo::ResolveCrs("EPSG:2263");
        ASSERT_TRUE(crs.crs) << crs.error;
        EXPECT_TRUE(crs.crs->IsFeet());
        EXPECT_NEAR(crs.crs->metresPerUnit, 1200.0 / 3937.0, 1e-12);
        // The same numbers as feet: a pipe 0.3048 times as long.
        const double m = crs.crs->metresPerUnit;
        ExpectOnTheCylinder(Survey(upper, lower, m, between * m), upper, lower, m);
    }
    EXPECT_TRUE(geo::LengthNote(between * 1.019, between).empty());
    EXPECT_NE(geo::LengthNote(between * 1.021, between).find("+2.1 %"), std::string::npos);
    EXPECT_NE(geo::LengthNote(between * 0.97, between).find("-3.0 %"), std::string::npos);
    EXPECT_FALSE(geo::PipeAxis(upper, upper, 0.6, 1.0).Valid());
}

// The system's WKT is PROJ's own (the one projinfo prints), and a system
// that cannot hold a pipe is refused with a reason naming what is wrong.
TEST(PipeAxis, CoordinateSystemsResolvedOrRefusedByPROJ) {
    for (const char* code : {"EPSG:25832", "EPSG:2263"}) {
        const geo::CrsResult crs = geo::ResolveCrs(code);
        ASSERT_TRUE(crs.crs) << code << ": " << crs.error;
        const std::string projinfo =
            Shell(std::string("projinfo -q --single-line -o WKT1_GDAL ") + code + " 2>/dev/null");
        ASSERT_FALSE(projinfo.empty()) << "projinfo (proj-bin) is needed";
        EXPECT_EQ(crs.crs->wkt1, projinfo) << code;
    }
    // The same system as WKT resolves to the same WKT.
    const geo::CrsResult again = geo::ResolveCrs(geo::ResolveCrs("EPSG:25832").crs->wkt1);
    ASSERT_TRUE(again.crs) << again.error;
    EXPECT_EQ(again.crs->metresPerUnit, 1.0);
    // A projected system with heights beside it.
    const geo::CrsResult compound = geo::ResolveCrs("EPSG:25832+5783");
    ASSERT_TRUE(compound.crs) << compound.error;

    const struct {
        const char* text;
        const char* why;
    } refused[] = {{"EPSG:4326", "geographic"},
                   {"EPSG:999999", "no coordinate system PROJ knows"},
                   {"not a system", "no coordinate system PROJ knows"},
                   {"EPSG:5783", "no projected horizontal part"},
                   {"EPSG:4978", "no projected horizontal part"}};
    for (const auto& r : refused) {
        const geo::CrsResult crs = geo::ResolveCrs(r.text);
        EXPECT_FALSE(crs.crs) << r.text;
        EXPECT_NE(crs.error.find(r.why), std::string::npos) << r.text << ": " << crs.error;
    }

    // Longitude first, whatever order the system gives its axes in, and
    // what cs2cs (latitude first for EPSG:4326) says to a millimetre.
    geo::ToLonLat toLonLat("EPSG:25832");
    ASSERT_TRUE(toLonLat.Ok()) << toLonLat.Error();
    double lon = 0.0, lat = 0.0;
    ASSERT_TRUE(toLonLat.Transform(500030.0, 5700040.0, lon, lat));
    double csLat = 0.0, csLon = 0.0;
    const std::string cs = Shell("echo 500030 5700040 | cs2cs -f %.10f EPSG:25832 EPSG:4326");
    ASSERT_EQ(std::sscanf(cs.c_str(), "%lf %lf", &csLat, &csLon), 2) << cs;
    EXPECT_NEAR(lon, csLon, 1e-8);
    EXPECT_NEAR(lat, csLat, 1e-8);
}

// The point under the mouse in the 3D view, placed: rays through rings of the
// round pipe (drawn about a head off its centre, the pipe's up turned 10
// degrees in the points' frame) pick the wall point nearest the camera, and
// that point lands where the pipe's own frame, worked out here from the
// nodes alone, puts it, within a millimetre. A ring whose fit failed takes
// its fitted neighbour's centre; a ray beside the pipe picks nothing.
TEST(PipeAxis, APointPickedOnTheWallLandsOnThePipeBetweenItsNodes) {
    const survey::NodeCoordinates a{500000.000, 5700000.000, 100.000};
    const survey::NodeCoordinates b{500030.000, 5700040.000, 99.500};
    const geo::CrsResult crs = geo::ResolveCrs("EPSG:25832");
    ASSERT_TRUE(crs.crs) << crs.error;
    survey::SurveyDetails details;
    details.crs = "EPSG:25832";
    details.startNodeCoordinates = a;
    details.finishNodeCoordinates = b;
    details.heightMm = 600.0;
    std::string why;
    const std::optional<geo::SurveyPlace> place = geo::PlaceOfSurvey(details, {}, &why);
    ASSERT_TRUE(place) << why;
    EXPECT_EQ(place->UnitSymbol(), "m");

    // The pipe's frame: along the inverts, right level, up square to both.
    const double len = std::sqrt(30.0 * 30.0 + 40.0 * 40.0 + 0.5 * 0.5);
    const std::array<double, 3> t{30.0 / len, 40.0 / len, -0.5 / len};
    const double level = std::hypot(t[0], t[1]);
    const std::array<double, 3> right{t[1] / level, -t[0] / level, 0.0};
    const std::array<double, 3> up{right[1] * t[2] - right[2] * t[1],
                                   right[2] * t[0] - right[0] * t[2],
                                   right[0] * t[1] - right[1] * t[0]};
    const double cx = -0.06, cy = 0.05, turn = 10.0 * kPi / 180.0;
    analysis::PipeHistory history;
    for (int ring = 0; ring < 3; ++ring) {
        std::vector<analysis::PipePoint> points;
        for (int i = 0; i < 240; ++i) {
            const double beta = i * 1.5 * kPi / 180.0 + turn;
            points.push_back({static_cast<float>(cx + kRadius * std::sin(beta)),
                              static_cast<float>(cy + kRadius * std::cos(beta)), 0.0f});
        }
        analysis::RingFrame frame;
        frame.upBearing = 10.0f;
        // The middle ring's fit failed.
        if (ring != 1)
            frame.centreX = static_cast<float>(cx), frame.centreY = static_cast<float>(cy);
        history.AddRing(19.0 + ring, points, frame);
    }
    for (const double bearing : {0.0, 45.0, 90.0, 180.0, 270.0}) {
        SCOPED_TRACE(bearing);
        // From outside, through the wall's point at that bearing on the
        // middle ring and on across the pipe; the view draws the length at
        // a third.
        const double beta = bearing * kPi / 180.0 + turn;
        const double ux = std::sin(beta), uy = std::cos(beta);
        analysis::WallRay ray;
        ray.zScale = 1.0 / 3.0;
        ray.along = {-ux, -uy, -0.1};
        ray.from = {cx + (kRadius + 2.7) * ux, cy + (kRadius + 2.7) * uy, 20.0 / 3.0 + 0.27};
        ray.tolerance = 0.004;
        ray.spread = 0.002;
        const std::optional<analysis::WallHit> hit = analysis::PickWall(history, ray);
        ASSERT_TRUE(hit);
        EXPECT_EQ(hit->distance, 20.0);
        EXPECT_TRUE(hit->frame.HasCentre()) << "the neighbour's centre";
        const analysis::SectionPoint on = analysis::OnSection(hit->x, hit->y, hit->frame);
        EXPECT_NEAR(std::fmod(on.bearing + 360.0 - bearing + 180.0, 360.0), 180.0, 1e-3);
        EXPECT_NEAR(on.radius, kRadius, 1e-6);
        // The picked point's own bearing, so the millimetre is the placing's.
        const double got = on.bearing * kPi / 180.0;
        const geo::Vec3 world = geo::PlaceHit(place->axis, *hit);
        for (int i = 0; i < 3; ++i) {
            const double invert = i == 0 ? a.x : i == 1 ? a.y : a.z;
            const double expected = invert + 20.0 * t[i] + kRadius * up[i] +
                                    kRadius * std::sin(got) * right[i] +
                                    kRadius * std::cos(got) * up[i];
            EXPECT_NEAR(world[i], expected, 0.001) << "coordinate " << i;
        }
    }
    // A ray that passes a metre beside the pipe.
    analysis::WallRay beside;
    beside.from = {1.3, 5.0, 20.0};
    beside.along = {0.0, -1.0, 0.0};
    beside.tolerance = 0.004;
    EXPECT_FALSE(analysis::PickWall(history, beside));
}
