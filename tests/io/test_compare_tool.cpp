// tubescan-convert --compare on two recordings of one simulated pipe, made
// the opposite ways with different odometers: the table finds the changes
// made between them and nothing else, and the run keeps the rules of every
// output (an existing file is kept unless --force, -o, -q, the status). The
// report speaks the survey's units; the table stays metric.
#include <gtest/gtest.h>

#include <QProcess>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "../core/TempDir.h"
#include "../support/ConvertTool.h"
#include "../support/PipeSurveyFile.h"
#include "analysis/SurveyComparison.h"

using namespace converttest;

namespace {

constexpr double kLength = 16.0; // metres the head travels in each survey
constexpr double kOvalFrom = 5.0, kOvalTo = 7.0, kLayerFrom = 10.5, kLayerTo = 12.5;

sim::PipeParams Before() {
    sim::PipeParams p;
    p.travelSpeed = 0.1 / (400 * pipesurvey::kPingPeriod); // a scan every 0.1 m
    p.ovality = 0.005;
    p.ovalStretches = {
        {2.0, 2.7, 0.02}, {kOvalFrom, kOvalTo, 0.03}, {9.0, 9.5, 0.02}, {14.0, 14.8, 0.02}};
    p.layerStretches = {{kLayerFrom, kLayerTo, 0.05}};
    return p;
}

class CompareTool : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        const int records =
            static_cast<int>(kLength / Before().travelSpeed / pipesurvey::kPingPeriod);
        sim::PipeParams after = Before();
        after.ovalStretches[1].value = 0.06;
        after.layerStretches[0].value = 0.12;
        after.startAt = kLength + 0.4;
        after.travelDirection = -1.0;
        after.odometerScale = 1.025;
        after.seed = 9;
        ASSERT_TRUE(pipesurvey::WriteSurveyFile(s_dir->File("old.31l"), Before(), records));
        ASSERT_TRUE(pipesurvey::WriteSurveyFile(s_dir->File("new.31l"), after, records));
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    void SetUp() override {
        for (const char* name : {"new.compare.csv", "new.compare.pdf"})
            std::filesystem::remove(s_dir->File(name));
        Details("P-17", "MH1", "MH2", "P-17", "MH2", "MH1");
    }
    static void Details(const char* pipeA, const char* fromA, const char* toA, const char* pipeB,
                        const char* fromB, const char* toB, const char* units = "") {
        const auto json = [units](const char* pipe, const char* from, const char* to) {
            return std::string("{\"pipe_reference\":\"") + pipe + "\",\"start_node\":\"" + from +
                   "\",\"finish_node\":\"" + to + "\",\"units\":\"" + units + "\"}";
        };
        s_dir->Write("old.survey.json", json(pipeA, fromA, toA));
        s_dir->Write("new.survey.json", json(pipeB, fromB, toB));
    }
    static QString In(const char* name) { return Q(s_dir->File(name)); }

    static TempDir* s_dir;
    const Tool m_tool;
};

TempDir* CompareTool::s_dir = nullptr;

std::string PdfText(const std::string& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), Q(path), QStringLiteral("-")});
    if (!p.waitForFinished(30000)) return {};
    return p.readAllStandardOutput().toStdString();
}

TEST_F(CompareTool, FindsTheChangesMadeBetweenSurveysMadeOppositeWays) {
    // The report in the survey's units, the table in metres whatever they are.
    struct Units {
        const char* details;
        const char* distance; // the distance axis' unit
        const char* size;     // the unit of the mean diameter's and the depth's pages
    };
    for (const Units u : {Units{"", "(m)", ", mm"}, Units{"imperial", "(ft)", ", in"}}) {
        SCOPED_TRACE(u.details);
        Details("P-17", "MH1", "MH2", "P-17", "MH2", "MH1", u.details);
        const ToolRun r = m_tool({"--compare", "-q", "-f", In("old.31l"), In("new.31l")});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        std::istringstream table(s_dir->Read("new.compare.csv"));
        std::string line;
        std::getline(table, line);
        EXPECT_EQ(line, analysis::kCompareCsvHeader);
        double ovalFirst = NAN, ovalLast = NAN, layerFirst = NAN, layerLast = NAN;
        std::size_t rows = 0;
        while (std::getline(table, line)) {
            ++rows;
            const double at = std::stod(line);
            const std::string marks = line.substr(line.rfind(',') + 1);
            if (marks.empty()) continue;
            const bool inOval = at > kOvalFrom - 0.2 && at < kOvalTo + 0.2;
            const bool inLayer = at > kLayerFrom - 0.2 && at < kLayerTo + 0.2;
            EXPECT_TRUE(inOval || inLayer) << line;
            if (marks.find("ovality") != std::string::npos && inOval) {
                if (std::isnan(ovalFirst)) ovalFirst = at;
                ovalLast = at;
            }
            if (marks.find("debris_depth") != std::string::npos) {
                if (std::isnan(layerFirst)) layerFirst = at;
                layerLast = at;
            }
        }
        EXPECT_GT(rows, static_cast<std::size_t>(kLength / 0.1) * 9 / 10);
        // Rows are the middles of 0.1 m cells; a stretch runs to its cells' edges.
        const double half = 0.05;
        EXPECT_NEAR(ovalFirst - half, kOvalFrom, 0.2);
        EXPECT_NEAR(ovalLast + half, kOvalTo, 0.2);
        EXPECT_NEAR(layerFirst - half, kLayerFrom, 0.2);
        EXPECT_NEAR(layerLast + half, kLayerTo, 0.2);
        EXPECT_EQ(s_dir->Read("new.compare.pdf").substr(0, 5), "%PDF-");

        const std::string text = PdfText(s_dir->File("new.compare.pdf"));
        EXPECT_NE(text.find(std::string("distance along the pipe ") + u.distance),
                  std::string::npos);
        EXPECT_NE(text.find(std::string("Change (later - earlier)") + u.size), std::string::npos);
        const std::string unit = std::string(u.distance).substr(1, std::strlen(u.distance) - 2);
        EXPECT_NE(text.find("earlier " + unit + " per later " + unit), std::string::npos);
        const std::string other = unit == "m" ? "ft" : "m";
        EXPECT_EQ(text.find("distance along the pipe (" + other + ")"), std::string::npos);
    }
}

TEST_F(CompareTool, KeepsTheRulesOfEveryOutput) {
    ASSERT_EQ(m_tool({"--compare", "-q", In("old.31l"), In("new.31l")}).exitCode, 0);
    s_dir->Write("new.compare.csv", "kept");
    const ToolRun again = m_tool({"--compare", "-q", In("old.31l"), In("new.31l")});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("exists (--force replaces it)"), std::string::npos) << again.err;
    EXPECT_EQ(s_dir->Read("new.compare.csv"), "kept");
    EXPECT_EQ(m_tool({"--compare", "-q", "-f", In("old.31l"), In("new.31l")}).exitCode, 0);
    EXPECT_NE(s_dir->Read("new.compare.csv"), "kept");

    // Two different pipes are refused, and nothing is written for them.
    Details("P-17", "MH1", "MH2", "P-18", "MH2", "MH1");
    const std::string other = s_dir->File("other.csv");
    const ToolRun pipes = m_tool({"--compare", "-o", Q(other), In("old.31l"), In("new.31l")});
    EXPECT_EQ(pipes.exitCode, 1);
    EXPECT_NE(pipes.err.find("not one pipe"), std::string::npos) << pipes.err;
    EXPECT_FALSE(std::filesystem::exists(other));
    const ToolRun forced =
        m_tool({"--compare", "--force", "-o", Q(other), In("old.31l"), In("new.31l")});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_NE(forced.out.find("alignment: opposite directions"), std::string::npos) << forced.out;
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_TRUE(std::filesystem::exists(s_dir->File("other.pdf")));

    EXPECT_EQ(m_tool({"--compare", In("old.31l")}).exitCode, 2);
    EXPECT_EQ(m_tool({"--compare", "--report", In("old.31l"), In("new.31l")}).exitCode, 2);
    EXPECT_EQ(
        m_tool({"--compare", "--summary", Q(s_dir->File("s.csv")), In("old.31l"), In("new.31l")})
            .exitCode,
        2);
}

} // namespace
