// tubescan-convert --ply and --report: the point cloud read back by a
// point-cloud library against the .xyz lines, the report's findings against
// the condition table, and the refusals shared with the other outputs.
#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <sys/stat.h>

#include "../core/TempDir.h"
#include "../support/ConvertTool.h"
#include "../support/PipeSurvey.h"
#include "../support/SurveyFile.h"
#include "format/NumberText.h"

namespace fs = std::filesystem;
using namespace converttest;

namespace {

// Runs a program to its end; its standard output.
std::string Output(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return p.readAllStandardOutput().toStdString();
}

std::vector<std::vector<std::string>> Split(const std::string& text, char sep) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> row;
        std::stringstream fields(line);
        for (std::string v; std::getline(fields, v, sep);)
            row.push_back(v);
        rows.push_back(row);
    }
    return rows;
}

std::string Trim(std::string s) {
    s.erase(0, s.find_first_not_of(' '));
    return s;
}

// Every vertex as Open3D reads it, printed the way the .xyz lines print
// numbers, then the bounding box.
constexpr const char* kReadPly = R"(
import sys, open3d as o3d
pc = o3d.t.io.read_point_cloud(sys.argv[1])
p = pc.point["positions"].numpy()
scan = pc.point["scan"].numpy().ravel()
echo = pc.point["echo"].numpy().ravel()
for (x, y, z), s, e in zip(p, scan, echo):
    print("%.3f %.3f %.3f %d %d" % (x, y, z, s, e))
box = o3d.io.read_point_cloud(sys.argv[1]).get_axis_aligned_bounding_box()
print("box %.3f %.3f %.3f %.3f %.3f %.3f" % (*box.min_bound, *box.max_bound))
)";

} // namespace

TEST(PointCloudTool, PlyReadsBackAsTheXyzPointsInTheirOrder) {
    const Tool tool;
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("s.31l"), 3000, {.orientation = true}));
    const ToolRun ply = tool({"--ply", Q(d.File("s.31l"))});
    ASSERT_EQ(ply.exitCode, 0) << ply.err;
    EXPECT_NE(ply.out.find("s.ply"), std::string::npos) << ply.out;
    ASSERT_EQ(tool({"-q", Q(d.File("s.31l"))}).exitCode, 0);
    ASSERT_EQ(tool({"-q", "--analysis", Q(d.File("s.31l"))}).exitCode, 0);

    d.Write("read.py", kReadPly);
    auto cloud = Split(Output("/usr/bin/python3", {Q(d.File("read.py")), Q(d.File("s.ply"))}), ' ');
    const auto xyz = Split(d.Read("s.xyz"), '\t');
    ASSERT_FALSE(cloud.empty());
    const std::vector<std::string> box = cloud.back();
    cloud.pop_back();
    ASSERT_EQ(cloud.size(), xyz.size());
    double lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (std::size_t i = 0; i < xyz.size(); ++i) {
        for (int c = 0; c < 3; ++c) {
            // The same single-precision numbers, so the same printed text.
            ASSERT_EQ(cloud[i][c], Trim(xyz[i][2 + c])) << "point " << i;
            lo[c] = std::min(lo[c], std::stod(cloud[i][c]));
            hi[c] = std::max(hi[c], std::stod(cloud[i][c]));
        }
        // Scans count up from 1 without gaps.
        const int scan = std::stoi(cloud[i][3]), before = i ? std::stoi(cloud[i - 1][3]) : 0;
        ASSERT_TRUE(i ? (scan == before || scan == before + 1) : scan == 1) << "point " << i;
    }
    EXPECT_GT(hi[2], lo[2] + 30.0); // z follows the distance along the pipe
    ASSERT_EQ(box.size(), 7u);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(std::stod(box[1 + c]), lo[c], 0.0011);
        EXPECT_NEAR(std::stod(box[4 + c]), hi[c], 0.0011);
    }
    // The same scans as the condition table.
    const auto csv = Split(d.Read("s.csv"), ',');
    EXPECT_EQ(cloud.back()[3], csv.back()[0]);
    // Echo levels are the recording's samples, not all zero.
    EXPECT_TRUE(std::any_of(cloud.begin(), cloud.end(), [](const auto& v) { return v[4] != "0"; }));
}

TEST(PointCloudTool, RefusesAsTheOtherOutputsAndLeavesNoPartialFile) {
    const Tool tool;
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("good.31l"), 200, {}));
    d.Write("short.31l", std::string(99, '\0'));
    d.Write("noise.31l", std::string(5000, 'z'));
    for (const char* kind : {"--ply", "--report"}) {
        const std::string ext = kind == std::string("--ply") ? ".ply" : ".pdf";
        const ToolRun bad = tool({kind, Q(d.File("short.31l")), Q(d.File("noise.31l"))});
        EXPECT_EQ(bad.exitCode, 1) << kind;
        EXPECT_NE(bad.err.find("short.31l: has no records"), std::string::npos) << bad.err;
        EXPECT_NE(bad.err.find("noise.31l: "), std::string::npos) << bad.err;
        ASSERT_EQ(tool({kind, "-q", Q(d.File("good.31l"))}).exitCode, 0) << kind;
        const ToolRun again = tool({kind, "-q", Q(d.File("good.31l"))});
        EXPECT_EQ(again.exitCode, 1);
        EXPECT_NE(again.err.find("exists (--force replaces it)"), std::string::npos);
        const ToolRun forced =
            tool({kind, "-q", "-f", "-o", Q(d.File("o" + ext)), Q(d.File("good.31l"))});
        EXPECT_EQ(forced.exitCode, 0) << forced.err;
        EXPECT_TRUE(forced.out.empty());
        EXPECT_GT(fs::file_size(d.File("o" + ext)), 200u);
    }
    EXPECT_EQ(tool({"--ply", "--report", Q(d.File("good.31l"))}).exitCode, 2);
    // Without a report module it can load, the converter says why it draws
    // no report and converts everything else as before.
    const Tool bare;
    const std::string notAModule = "not a shared object";
    for (const std::string* module : {static_cast<const std::string*>(nullptr), &notAModule}) {
        bare.ReplaceReportModule(module);
        const ToolRun r = bare({"--report", "-q", "-f", Q(d.File("good.31l"))});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("cannot draw reports: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("tubescan-report.so"), std::string::npos) << r.err;
        EXPECT_EQ(bare({"--ply", "-q", "-f", Q(d.File("good.31l"))}).exitCode, 0);
    }
    EXPECT_EQ(tool({"--report", "--ovality-threshold", "x", Q(d.File("good.31l"))}).exitCode, 2);
    for (const auto& e : fs::directory_iterator(d.Dir())) {
        const std::string name = e.path().filename().string();
        EXPECT_EQ(name.find(".part"), std::string::npos) << name;
        EXPECT_FALSE(name == "short.ply" || name == "noise.ply" || name == "short.pdf" ||
                     name == "noise.pdf")
            << name;
    }
}

// A 1 m pipe, oval from 1.2 to 2.8 m and with a 0.15 m mound from 3.6 to
// 5.2 m: the report's findings are the condition table's, at the simulated
// places.
TEST(PointCloudTool, ReportFindingsAreTheConditionTables) {
    // The simulator's speed of sound, so the pipe measures its true size.
    std::string settings = kSettings;
    settings.replace(settings.find("1430"), 4, "1500");
    const Tool tool(settings);
    TempDir d;
    sim::PipeParams pipe;
    pipe.ovalStretches = {{1.2, 2.8, 0.08}};
    pipe.debrisStretches = {{3.6, 5.2, 0.15}};
    pipesurvey::WriteSurvey(d.File("Line 7.31l"), pipe, 6600);
    ASSERT_EQ(tool({"-q", "--analysis", Q(d.File("Line 7.31l"))}).exitCode, 0);
    const ToolRun r = tool({"--report", Q(d.File("Line 7.31l"))});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = Output("pdftotext", {"-layout", Q(d.File("Line 7.pdf")), "-"});
    EXPECT_NE(text.find("Line 7.31l"), std::string::npos);
    EXPECT_NE(text.find("Page 3 of"), std::string::npos);
    EXPECT_NE(text.find("TubescanL " TUBESCAN_VERSION), std::string::npos);
    // Headless, the 3D page falls back to the painter's projection and says so.
    EXPECT_NE(text.find("The pipe in 3D"), std::string::npos);
    EXPECT_NE(text.find("Painter projection of the same points"), std::string::npos);

    auto rows = Split(d.Read("Line 7.csv"), ',');
    rows.erase(rows.begin());
    const auto line = [&](const std::string& label) {
        const auto at = text.find(label);
        return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
    };
    struct Column {
        const char* label;
        int index, decimals;
        const char* unit;
        double from, to; // where the simulator put it
    };
    for (const Column c : {Column{"Largest ovality", 10, 2, " %", 1.2, 2.8},
                           Column{"Greatest debris depth", 13, 3, " m", 3.6, 5.2}}) {
        const auto value = [&](const std::vector<std::string>& row) {
            return row.size() > std::size_t(c.index) && !row[c.index].empty()
                       ? std::stod(row[c.index])
                       : -1e9;
        };
        // The first of equal values, as the table is read top down.
        auto worst = rows.begin();
        for (auto it = rows.begin(); it != rows.end(); ++it)
            if (value(*it) > value(*worst)) worst = it;
        const double at = std::stod((*worst)[2]);
        EXPECT_GT(at, c.from);
        EXPECT_LT(at, c.to);
        const std::string found = line(c.label);
        // The report rounds the figure itself, the table to its own decimals:
        // the two agree to the report's last digit.
        std::smatch figure;
        const bool has =
            std::regex_search(found, figure, std::regex(std::string("([-0-9.]+)") + c.unit));
        const double reported = has ? std::stod(figure[1]) : NAN;
        EXPECT_NEAR(reported, value(*worst), 0.5 * std::pow(10.0, -c.decimals) + 1e-4)
            << found << " (table: " << (*worst)[c.index] << ")";
        EXPECT_NE(found.find("at " + FormatFixed(at, 3) + " m (scan " + (*worst)[0] + ")"),
                  std::string::npos)
            << found;
    }
}

// --grade: one line per 0.1 m of distance under the fixed header where the
// recording holds a pitch; where it holds none, a failure that says so and no
// file. Either way the choice of output is exclusive.
TEST(PointCloudTool, GradeTableOrRefusalWithoutPitch) {
    const Tool tool;
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("s.31l"), 3000, {.orientation = true}));
    const ToolRun r = tool({"--grade", Q(d.File("s.31l"))});
    if (r.exitCode == 0) {
        const auto rows = Split(d.Read("s.grade.csv"), ',');
        ASSERT_GE(rows.size(), 2u);
        EXPECT_EQ(rows[0], (std::vector<std::string>{"distance_m", "pitch_deg", "grade_pct",
                                                     "elevation_m"}));
        for (std::size_t i = 2; i < rows.size(); ++i) {
            ASSERT_EQ(rows[i].size(), 4u);
            const double step = std::stod(rows[i][0]) - std::stod(rows[i - 1][0]);
            EXPECT_GT(step, 0.099);
            EXPECT_NEAR(std::round(step * 10.0), step * 10.0, 1e-6);
        }
    } else {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("s.31l: no valid pitch"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(d.File("s.grade.csv")));
    }
    EXPECT_EQ(tool({"--grade", "--report", Q(d.File("s.31l"))}).exitCode, 2);
    for (const auto& e : fs::directory_iterator(d.Dir()))
        EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos);
}

// One record whose distance glitched to 1e9 m in a survey at 100 m: the LAS
// file holds both in coarser Z steps and says so (the points themselves are
// checked by the independent reader's test), rather than blame the disk; the
// grade table leaves the glitch out instead of adding a row a million
// kilometres on.
TEST(PointCloudTool, AFarDistanceGlitchIsHeldInTheLasFileAndLeftOutOfTheGrade) {
    const Tool tool;
    TempDir d;
    ASSERT_TRUE(survey::WriteFarGlitchFile(d.File("g.31l")));

    const ToolRun las = tool({"--las", Q(d.File("g.31l"))});
    EXPECT_EQ(las.exitCode, 0) << las.err;
    EXPECT_NE((las.out + las.err).find("in steps of 1 m"), std::string::npos) << las.out << las.err;
    EXPECT_EQ(las.err.find("disk full"), std::string::npos) << las.err;
    EXPECT_TRUE(fs::exists(d.File("g.las")));

    const ToolRun grade = tool({"--grade", "-q", Q(d.File("g.31l"))});
    if (grade.exitCode != 0) GTEST_SKIP() << "no valid pitch in this survey: " << grade.err;
    const auto rows = Split(d.Read("g.grade.csv"), ',');
    ASSERT_GE(rows.size(), 2u);
    EXPECT_LT(std::stod(rows.back()[0]), 200.0) << "a row at the glitch";
}

// A damaged module is refused with its reason before the system's loader
// sees it: cut short inside its code (which the loader would map and fault on),
// built for another machine, or a FIFO under its name (which would block the
// converter for good).
TEST(PointCloudTool, ADamagedReportModuleIsRefusedWithItsReason) {
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("good.31l"), 300, {}));
    std::ifstream in(fs::path(TUBESCAN_CONVERT_PATH).parent_path() / "tubescan-report.so",
                     std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(whole.size(), 200000u);
    std::string foreign = whole;
    foreign[18] = static_cast<char>(40); // an ARM build's machine number
    foreign[19] = 0;
    // Cut inside its code: the debugging sections after it may be many times
    // its size, so half of the file could still hold every loadable byte.
    const std::string half = whole.substr(0, 100000);
    const Tool tool;
    const struct {
        const std::string* bytes;
        const char* reason;
    } cases[] = {{&half, "cut short"}, {&foreign, "another machine"}, {nullptr, "regular file"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        if (c.bytes) {
            tool.ReplaceReportModule(c.bytes);
        } else {
            tool.ReplaceReportModule(nullptr);
            const std::string fifo = fs::path(tool.Path()).parent_path() / "tubescan-report.so";
            ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        }
        const ToolRun r = tool({"--report", "-q", Q(d.File("good.31l"))});
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(r.err.find("cannot draw reports: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(d.File("good.pdf")));
    }
}
