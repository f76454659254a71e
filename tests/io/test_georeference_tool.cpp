// A survey with its nodes' coordinates converted to a georeferenced LAS
// file (read back by the independent reader) and to a GeoJSON map (read
// back here, opened by GDAL's ogrinfo, its places checked against PROJ's
// own cs2cs), and the coordinate systems refused before any work.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "../core/TempDir.h"
#include "../support/ConvertTool.h"
#include "../support/PipeSurveyFile.h"
#include "../support/SurveyFile.h"

using namespace converttest;
namespace fs = std::filesystem;

namespace {

using Vec = std::array<double, 3>;

constexpr double kRadius = 0.3;
constexpr double kFeet = 3937.0 / 1200.0; // US survey feet in a metre
// The tool's settings say 1430 m/s, the simulated water 1500: every range
// reads that much short, and so does the pipe's radius.
constexpr double kReadRadius = kRadius * 1430.0 / 1500.0;
const Vec kUpper{500000.000, 5700000.000, 100.000};
const Vec kLower{500030.000, 5700040.000, 99.500};

std::string Output(const QString& program, const QStringList& args, int* status = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000)) return {};
    if (status) *status = p.exitCode();
    return p.readAllStandardOutput().toStdString();
}

std::string Sidecar(const Vec& start, const Vec& finish, const char* crs, const char* direction) {
    char text[600];
    std::snprintf(text, sizeof text,
                  R"({"format":"tubescan-survey/1","pipe_reference":"SW-12","start_node":"MH1",)"
                  R"("finish_node":"MH2","direction":"%s","height_mm":600,"crs":"%s",)"
                  R"("start_node_coordinates":{"x":%.3f,"y":%.3f,"z":%.3f},)"
                  R"("finish_node_coordinates":{"x":%.3f,"y":%.3f,"z":%.3f}})",
                  direction, crs, start[0], start[1], start[2], finish[0], finish[1], finish[2]);
    return text;
}

// A 600 mm pipe surveyed by the simulated head at 0.125 m/s for 50 m (a
// revolution every 2.5 m), with an oval stretch from 10 to 15 m.
bool WriteSurvey(const std::string& path) {
    sim::PipeParams pipe;
    pipe.diameter = 2 * kRadius;
    pipe.swayPitch = pipe.swayRoll = 0.0;
    pipe.travelSpeed = 0.125;
    pipe.ovalStretches = {{10.0, 15.0, 0.08}};
    return pipesurvey::WriteSurveyFile(path, pipe, 8000, 120, 2);
}

struct Las {
    QJsonObject header;
    std::vector<std::array<double, 6>> points; // x, y, z, scan, distance, deviation
};

Las ReadLas(const std::string& path) {
    int status = -1;
    const std::string out = Output("node", {TUBESCAN_LAS_READER, Q(path)}, &status);
    Las las;
    const std::size_t eol = out.find('\n');
    if (status != 0 || eol == std::string::npos) return las;
    las.header = QJsonDocument::fromJson(QByteArray::fromStdString(out.substr(0, eol))).object();
    std::istringstream in(out.substr(eol + 1));
    for (std::string line; std::getline(in, line);) {
        std::istringstream f(line);
        double x, y, z, intensity, scan, distance, echo;
        std::string deviation;
        if (f >> x >> y >> z >> intensity >> scan >> distance >> echo >> deviation)
            las.points.push_back({x, y, z, scan, distance, deviation == "NaN" ? NAN : 0.0});
    }
    return las;
}

// Along the line from the start node's invert to the finish node's, and the
// distance from the axis half the height above it, in metres.
struct Frame {
    Vec start, t;
    double m; // metres per unit
    void Measure(const Vec& p, double& along, double& radial) const {
        const Vec v{(p[0] - start[0]) * m, (p[1] - start[1]) * m, (p[2] - start[2]) * m - kRadius};
        along = v[0] * t[0] + v[1] * t[1] + v[2] * t[2];
        const Vec a{v[0] - along * t[0], v[1] - along * t[1], v[2] - along * t[2]};
        radial = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    }
};

Frame FrameOf(const Vec& a, const Vec& b, double m) {
    const Vec d{(b[0] - a[0]) * m, (b[1] - a[1]) * m, (b[2] - a[2]) * m};
    const double n = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    return {a, {d[0] / n, d[1] / n, d[2] / n}, m};
}

// The converter beside its settings, a folder, the survey written there, and
// a run of it with the details the case gives.
class GeoreferenceTool : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(WriteSurvey(d.File("s.31l"))); }
    ToolRun Run(const std::string& details, QStringList args) const {
        d.Write("s.survey.json", details);
        args << Q(d.File("s.31l"));
        return tool(args);
    }
    ToolRun Run(const Vec& start, const Vec& finish, const char* crs, QStringList args) const {
        return Run(Sidecar(start, finish, crs, "downstream"), std::move(args));
    }
    const Tool tool;
    TempDir d;
};

} // namespace

// The points land on the pipe between its nodes (downstream, upstream, and
// in US survey feet), in the system PROJ names, at the system's scale, with
// offsets that hold them; the header's bounds are theirs.
TEST_F(GeoreferenceTool, LasPointsLieOnThePipeBetweenItsNodesInTheSystemsUnit) {
    const struct {
        const char* crs;
        const char* direction;
        Vec start, finish;
        double m, scale;
    } cases[] = {{"EPSG:25832", "downstream", kUpper, kLower, 1.0, 0.0005},
                 {"EPSG:25832", "upstream", kLower, kUpper, 1.0, 0.0005},
                 // The same 50 m of pipe, its nodes in feet.
                 {"EPSG:2263", "downstream", kUpper,
                  Vec{kUpper[0] + 30.0 * kFeet, kUpper[1] + 40.0 * kFeet, kUpper[2] - 0.5 * kFeet},
                  1.0 / kFeet, 0.001}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.crs) + " " + c.direction);
        const ToolRun r =
            Run(Sidecar(c.start, c.finish, c.crs, c.direction), {"--las", "--force", "-q"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const Las las = ReadLas(d.File("s.las"));
        ASSERT_FALSE(las.points.empty());
        const QJsonObject& h = las.header;
        const std::string projinfo =
            Output("projinfo", {"-q", "--single-line", "-o", "WKT1_GDAL", c.crs});
        EXPECT_EQ(h["wkt"].toString(), QString::fromStdString(projinfo).trimmed())
            << "the WKT VLR is PROJ's own";
        EXPECT_EQ(h["vlrs"].toArray(), QJsonArray({"LASF_Projection/2112", "LASF_Spec/4"}));
        EXPECT_EQ(h["globalEncoding"].toInt() & 16, 16);
        for (int i = 0; i < 3; ++i) {
            EXPECT_DOUBLE_EQ(h["scale"].toArray()[i].toDouble(), c.scale);
            // Whole thousands near the pipe: every point within reach.
            const double offset = h["offset"].toArray()[i].toDouble();
            EXPECT_EQ(std::fmod(offset, 1000.0), 0.0);
            EXPECT_LT(std::fabs(offset - (c.start[i] + c.finish[i]) / 2), 1000.0);
        }
        const Frame frame = FrameOf(c.start, c.finish, c.m);
        Vec lo{INFINITY, INFINITY, INFINITY}, hi{-INFINITY, -INFINITY, -INFINITY};
        std::vector<double> radials;
        for (const auto& p : las.points) {
            double along = 0.0, radial = 0.0;
            frame.Measure({p[0], p[1], p[2]}, along, radial);
            // Chainage is the recorded distance from the start node.
            ASSERT_NEAR(along, p[4], 0.05) << p[0] << " " << p[1] << " " << p[2];
            if (std::isfinite(p[5])) radials.push_back(radial);
            for (int i = 0; i < 3; ++i)
                lo[i] = std::min(lo[i], p[i]), hi[i] = std::max(hi[i], p[i]);
        }
        // The wall's echoes about the pipe's radius (the simulated head's
        // range bins and oval stretch allow a few centimetres).
        ASSERT_GT(radials.size(), las.points.size() / 2) << las.points.size() << " points";
        std::sort(radials.begin(), radials.end());
        EXPECT_NEAR(radials[radials.size() / 2], kReadRadius, 0.005);
        EXPECT_NEAR(radials[radials.size() * 19 / 20], kReadRadius, 0.05);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(h["min"].toArray()[i].toDouble(), lo[i], 1e-3);
            EXPECT_NEAR(h["max"].toArray()[i].toDouble(), hi[i], 1e-3);
            // Between the manholes, a pipe's radius either side.
            const double margin = 0.4 / c.m;
            EXPECT_GT(lo[i], std::min(c.start[i], c.finish[i]) - margin);
            EXPECT_LT(hi[i], std::max(c.start[i], c.finish[i]) + margin + 2 * kRadius / c.m);
        }
    }

    // Nodes 20 % further apart than the survey reached: said, and with
    // --fit-length the chainage is stretched so the furthest point lands on
    // the finish node.
    const Vec far{kUpper[0] + 36.0, kUpper[1] + 48.0, 99.4};
    const ToolRun asMeasured = Run(kUpper, far, "EPSG:25832", {"--las", "--force", "-q"});
    ASSERT_EQ(asMeasured.exitCode, 0) << asMeasured.err;
    EXPECT_NE(asMeasured.err.find("between the nodes differ by"), std::string::npos)
        << asMeasured.err;
    // In a batch the note must say which recording it is about.
    EXPECT_NE(asMeasured.err.find(d.File("s.31l") + ": the measured length"), std::string::npos)
        << asMeasured.err;
    const ToolRun fitted =
        Run(kUpper, far, "EPSG:25832", {"--las", "--fit-length", "--force", "-q"});
    ASSERT_EQ(fitted.exitCode, 0) << fitted.err;
    {
        const Las las = ReadLas(d.File("s.las"));
        ASSERT_FALSE(las.points.empty());
        const Frame frame = FrameOf(kUpper, far, 1.0);
        double furthest = 0.0, reach = 0.0;
        for (const auto& p : las.points) {
            double along = 0.0, radial = 0.0;
            frame.Measure({p[0], p[1], p[2]}, along, radial);
            if (p[4] > furthest) furthest = p[4], reach = along;
        }
        const double between = std::sqrt(36.0 * 36.0 + 48.0 * 48.0 + 0.6 * 0.6);
        EXPECT_LT(furthest, 0.9 * between);
        EXPECT_NEAR(reach, between, 0.05);
    }
    EXPECT_EQ(tool({"--ply", "--fit-length", Q(d.File("s.31l"))}).exitCode, 2);

    // A system PROJ does not know, or one in degrees, is a usage error
    // before anything is written, whether the file or --set names it.
    fs::remove(d.File("s.las"));
    ToolRun r = Run(kUpper, kLower, "EPSG:999999", {"--las"});
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("no coordinate system PROJ knows"), std::string::npos) << r.err;
    r = Run(kUpper, kLower, "EPSG:25832", {"--geojson", "--set", "crs=EPSG:4326"});
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("geographic"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(d.File("s.las")));
    EXPECT_FALSE(fs::exists(d.File("s.geojson")));
}

// The map: the survey's axis and the oval stretch as lines at the places
// cs2cs gives for the same chainages, the pipe named, GDAL opening it; the
// output rules of the other kinds.
TEST_F(GeoreferenceTool, GeoJsonFindingsLieWhereProjPutsThemAndGdalOpensTheMap) {
    const ToolRun r = Run(kUpper, kLower, "EPSG:25832", {"--geojson"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("s.geojson"), std::string::npos) << r.out;
    const QJsonObject map =
        QJsonDocument::fromJson(QByteArray::fromStdString(d.Read("s.geojson"))).object();
    ASSERT_EQ(map["type"].toString(), "FeatureCollection") << d.Read("s.geojson");
    const QJsonObject named = map["properties"].toObject();
    for (const auto& [key, value] :
         {std::pair{"pipe_reference", "SW-12"}, {"start_node", "MH1"}, {"finish_node", "MH2"}})
        EXPECT_EQ(named[key].toString(), value) << key;
    // Heights are the inverts' line's, and the map says so.
    EXPECT_TRUE(named["altitude"].toString().contains("invert")) << d.Read("s.geojson");

    const Frame frame = FrameOf(kUpper, kLower, 1.0);
    // The plan position of chainage s, by cs2cs (latitude, longitude).
    const auto expected = [&](double s, double& lon, double& lat) {
        const double x = kUpper[0] + s * frame.t[0], y = kUpper[1] + s * frame.t[1];
        std::istringstream in(Output("sh", {"-c", QStringLiteral("echo %1 %2 | cs2cs -f %.10f "
                                                                 "EPSG:25832 EPSG:4326")
                                                      .arg(x, 0, 'f', 4)
                                                      .arg(y, 0, 'f', 4)}));
        in >> lat >> lon;
        return static_cast<bool>(in);
    };
    const auto metresApart = [](double lon1, double lat1, double lon2, double lat2) {
        const double k = 6371000.0 * 3.14159265358979323846 / 180.0;
        return std::hypot((lon1 - lon2) * k * std::cos(lat1 * 3.14159265358979323846 / 180.0),
                          (lat1 - lat2) * k);
    };
    int ovals = 0, surveys = 0;
    for (const auto& f : map["features"].toArray()) {
        const QJsonObject feature = f.toObject();
        const QJsonObject props = feature["properties"].toObject();
        const QJsonArray line = feature["geometry"].toObject()["coordinates"].toArray();
        ASSERT_GE(line.size(), 2);
        const QString kind = props["kind"].toString();
        const double from = props["from_m"].toDouble(), to = props["to_m"].toDouble();
        for (const auto& [at, end] : {std::pair{from, line.first()}, std::pair{to, line.last()}}) {
            double lon = 0.0, lat = 0.0;
            ASSERT_TRUE(expected(at, lon, lat));
            const QJsonArray p = end.toArray();
            EXPECT_LT(metresApart(p[0].toDouble(), p[1].toDouble(), lon, lat), 0.1)
                << kind.toStdString() << " at " << at << " m";
            ASSERT_EQ(p.size(), 3) << kind.toStdString();
            EXPECT_NEAR(p[2].toDouble(), kUpper[2] + at * frame.t[2], 0.001)
                << kind.toStdString() << " at " << at << " m";
        }
        if (kind == "survey") {
            ++surveys;
            EXPECT_LT(from, 1.0);
            EXPECT_GT(to, 45.0);
        }
        if (kind == "oval") {
            ++ovals;
            // Scans 2.5 m apart.
            EXPECT_NEAR(from, 10.0, 2.5);
            EXPECT_NEAR(to, 15.0, 2.5);
            EXPECT_GT(props["peak"].toDouble(), 2.0);
            EXPECT_GE(props["peak_at_m"].toDouble(), from);
            EXPECT_LE(props["peak_at_m"].toDouble(), to);
            EXPECT_EQ(props["code"].toString(), "BAA");
        }
    }
    EXPECT_EQ(surveys, 1);
    EXPECT_GE(ovals, 1);

    // GDAL reads it as it stands.
    int status = -1;
    const std::string info =
        Output("ogrinfo", {"-ro", "-al", "-so", Q(d.File("s.geojson"))}, &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_NE(info.find("Feature Count: " + std::to_string(map["features"].toArray().size())),
              std::string::npos)
        << info;
    EXPECT_NE(info.find("WGS 84"), std::string::npos) << info;
    EXPECT_NE(info.find("3D Line String"), std::string::npos) << info;

    // Kept unless --force; -o elsewhere; -q says nothing on success.
    const std::string before = d.Read("s.geojson");
    EXPECT_EQ(tool({"--geojson", Q(d.File("s.31l"))}).exitCode, 1);
    const ToolRun quiet =
        tool({"--geojson", "-q", "-o", Q(d.File("map.geojson")), Q(d.File("s.31l"))});
    EXPECT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_TRUE(quiet.out.empty()) << quiet.out;
    EXPECT_EQ(d.Read("map.geojson"), before);
    // Without coordinates there is nothing to place: a failure of that file.
    const ToolRun none = Run(R"({"pipe_reference":"SW-12"})", {"--geojson", "--force"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("nodes' coordinates and crs"), std::string::npos) << none.err;
    EXPECT_EQ(d.Read("s.geojson"), before);
}

// A distance glitch to 1e9 m in a placed survey lands a million kilometres
// down the pipe's line: the LAS file refuses it for that reason, naming
// where it would lie, never as a full disk.
TEST_F(GeoreferenceTool, AFarGlitchInAPlacedSurveyIsRefusedWithItsPlace) {
    ASSERT_TRUE(survey::WriteFarGlitchFile(d.File("g.31l")));
    d.Write("g.survey.json", Sidecar(kUpper, kLower, "EPSG:25832", "downstream"));
    const ToolRun r = tool({"--las", "-q", Q(d.File("g.31l"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("1000000000.00 m along the pipe is placed at"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("32-bit"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("disk full"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(d.File("g.las")));
}
