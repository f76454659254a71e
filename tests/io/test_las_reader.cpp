// tubescan-convert --las read back by an independent LAS 1.4 reader (the
// copc package under Node, installed by the las_reader_install test): the
// header's counts, bounds, scales and encoding, the extra-bytes names and
// every point against the .xyz line it comes from.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "../core/TempDir.h"
#include "../support/ConvertTool.h"
#include "../support/SurveyFile.h"

using namespace converttest;

namespace {

std::vector<std::vector<double>> Rows(const std::string& text, char sep, std::size_t from) {
    std::vector<std::vector<double>> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::vector<double> row;
        std::stringstream fields(line);
        std::size_t i = 0;
        for (std::string v; std::getline(fields, v, sep); ++i)
            if (i >= from) row.push_back(v == "NaN" ? NAN : std::stod(v));
        rows.push_back(row);
    }
    return rows;
}

// The independent reader's view of DIR/NAME.las (its header and points) and
// the .xyz points it must match.
struct ReadBack {
    QJsonObject header;
    std::vector<std::vector<double>> points, xyz;
};

void ReadLas(const TempDir& d, const std::string& name, ReadBack& r) {
    QProcess node;
    node.start("node", {TUBESCAN_LAS_READER, Q(d.File(name + ".las"))});
    ASSERT_TRUE(node.waitForFinished(60000));
    ASSERT_EQ(node.exitCode(), 0) << node.readAllStandardError().toStdString();
    const std::string out = node.readAllStandardOutput().toStdString();
    const std::size_t eol = out.find('\n');
    r.header = QJsonDocument::fromJson(QByteArray::fromStdString(out.substr(0, eol))).object();
    r.points = Rows(out.substr(eol + 1), ' ', 0);
    r.xyz = Rows(d.Read(name + ".xyz"), '\t', 2);
}

} // namespace

TEST(LasReader, IndependentReaderSeesTheXyzPointsWithTheirExtraBytes) {
    const Tool tool;
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("s.31l"), 3000, {.orientation = true}));
    const ToolRun las = tool({"--las", Q(d.File("s.31l"))});
    ASSERT_EQ(las.exitCode, 0) << las.err;
    EXPECT_NE(las.out.find("s.las"), std::string::npos) << las.out;
    ASSERT_EQ(tool({"-q", Q(d.File("s.31l"))}).exitCode, 0);

    ReadBack r;
    ASSERT_NO_FATAL_FAILURE(ReadLas(d, "s", r));
    const auto& [h, points, xyz] = r;
    ASSERT_FALSE(xyz.empty());

    EXPECT_EQ(h["version"].toString(), "1.4");
    EXPECT_EQ(h["headerLength"].toInt(), 375);
    EXPECT_EQ(h["pointDataRecordFormat"].toInt(), 6);
    EXPECT_EQ(h["globalEncoding"].toInt() & 16, 16); // WKT
    EXPECT_EQ(h["pointCount"].toInt(), static_cast<int>(xyz.size()));
    EXPECT_EQ(h["pointCountByReturn1"].toInt(), static_cast<int>(xyz.size()));
    EXPECT_EQ(h["legacyPointCount"].toInt(), 0);
    for (const auto& s : h["scale"].toArray())
        EXPECT_EQ(s.toDouble(), 0.0005);
    EXPECT_EQ(h["vlrs"].toArray(), QJsonArray({"LASF_Projection/2112", "LASF_Spec/4"}));
    EXPECT_TRUE(h["wkt"].toString().startsWith("LOCAL_CS["));
    QStringList names;
    for (const auto& e : h["extraBytes"].toArray())
        names << e.toObject()["name"].toString();
    EXPECT_EQ(names, QStringList({"scan", "distance", "echo", "deviation"}));
    EXPECT_EQ(h["extraBytes"].toArray()[3].toObject()["nodata"].toString(), "NaN");

    // The .xyz points in their order, to the file's 0.5 mm; the header's
    // bounds are theirs.
    ASSERT_EQ(points.size(), xyz.size());
    double lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
    std::size_t withDeviation = 0;
    for (std::size_t i = 0; i < xyz.size(); ++i) {
        ASSERT_EQ(points[i].size(), 8u);
        for (int c = 0; c < 3; ++c) {
            ASSERT_NEAR(points[i][c], xyz[i][c], 0.00076) << "point " << i;
            lo[c] = std::min(lo[c], points[i][c]);
            hi[c] = std::max(hi[c], points[i][c]);
        }
        ASSERT_NEAR(points[i][5], xyz[i][2], 0.0006) << "distance, point " << i;
        EXPECT_EQ(points[i][3], points[i][6] * 257) << "intensity is the echo, point " << i;
        const double scan = points[i][4], before = i ? points[i - 1][4] : 0;
        ASSERT_TRUE(scan == before || scan == before + 1) << "point " << i;
        withDeviation += std::isfinite(points[i][7]);
    }
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(h["min"].toArray()[c].toDouble(), lo[c], 1e-9);
        EXPECT_NEAR(h["max"].toArray()[c].toDouble(), hi[c], 1e-9);
    }
    EXPECT_GT(withDeviation, xyz.size() / 2);
}

// A recording with one distance glitched to 1e9 m: the converter writes its
// LAS file with Z counted from the middle of the span in steps that hold it
// (1 m: half the span is 5e8 m), X and Y at 0.5 mm, and the independent
// reader finds every point's Z within half a step of its distance, the
// glitch among them, and the .xyz's X and Y.
TEST(LasReader, AFarDistanceGlitchIsReadBackInStepsThatHoldIt) {
    const Tool tool;
    TempDir d;
    ASSERT_TRUE(survey::WriteFarGlitchFile(d.File("g.31l")));
    const ToolRun las = tool({"--las", "-q", Q(d.File("g.31l"))});
    ASSERT_EQ(las.exitCode, 0) << las.err;
    ASSERT_EQ(tool({"-q", Q(d.File("g.31l"))}).exitCode, 0);

    ReadBack r;
    ASSERT_NO_FATAL_FAILURE(ReadLas(d, "g", r));
    const auto& [h, points, xyz] = r;
    const QJsonArray scale = h["scale"].toArray();
    ASSERT_EQ(scale.size(), 3);
    EXPECT_EQ(scale[0].toDouble(), 0.0005);
    EXPECT_EQ(scale[1].toDouble(), 0.0005);
    const double step = scale[2].toDouble();
    EXPECT_EQ(step, 1.0);
    ASSERT_EQ(points.size(), xyz.size());
    double far = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        ASSERT_EQ(points[i].size(), 8u);
        ASSERT_NEAR(points[i][0], xyz[i][0], 0.00076) << "point " << i;
        ASSERT_NEAR(points[i][1], xyz[i][1], 0.00076) << "point " << i;
        ASSERT_NEAR(points[i][2], points[i][5], step / 2 + 1e-6) << "point " << i;
        far = std::max(far, points[i][2]);
    }
    EXPECT_GT(far, 0.99e9) << "the glitch is in the file";
    EXPECT_NEAR(h["max"].toArray()[2].toDouble(), far, 1e-6);
}
