// tubescan-convert over many files and under signals: a batch in parallel
// gives what single runs give, a failing file stops nothing else, the
// summary line per recording, a converter stopped mid-write leaves nothing
// behind, and thresholds that mean nothing are refused.
#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>
#include <tuple>
#include <utility>

#include "../core/TempDir.h"
#include "../support/ConvertTool.h"
#include "../support/PipeSurvey.h"
#include "../support/SurveyFile.h"

namespace fs = std::filesystem;
using namespace converttest;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

std::vector<std::vector<std::string>> Fields(const std::string& text, char sep) {
    std::vector<std::vector<std::string>> rows;
    for (std::string line : Lines(text)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> row;
        std::stringstream ss(line);
        for (std::string f; std::getline(ss, f, sep);)
            row.push_back(f);
        rows.push_back(row);
    }
    return rows;
}

// The simulator's speed of sound, so the pipe measures its true size; an
// oval stretch from 1.2 to 2.8 m and debris from 3.6 to 5.2 m.
std::string SimulatedSurvey(const TempDir& d, const std::string& name) {
    sim::PipeParams pipe;
    pipe.ovalStretches = {{1.2, 2.8, 0.08}};
    pipe.debrisStretches = {{3.6, 5.2, 0.15}};
    pipesurvey::WriteSurvey(d.File(name), pipe, 6600);
    std::string settings = kSettings;
    settings.replace(settings.find("1430"), 4, "1500");
    return settings;
}

bool AnyPartFile(const std::string& dir) {
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().find(".part") != std::string::npos) return true;
    return false;
}

} // namespace

TEST(BatchTool, ParallelBatchMatchesSingleRunsAndAFailureStopsNothingElse) {
    const Tool tool;
    TempDir batch, single;
    QStringList batchArgs = {"-q", "-j", "2", "--summary", Q(batch.File("summary.csv"))};
    for (int i = 0; i < 8; ++i) {
        const std::string name = "f" + std::to_string(i) + ".31l";
        ASSERT_TRUE(
            survey::WriteFile(batch.File(name), 1500 + 400 * i, {.orientation = i % 2 == 1}));
        fs::copy_file(batch.File(name), single.File(name));
        batchArgs << Q(batch.File(name));
        if (i == 3) { // a broken file among them
            batch.Write("noise.31l", std::string(5000, 'z'));
            batchArgs << Q(batch.File("noise.31l"));
        }
    }
    for (const char* kind : {"", "--analysis", "--las"}) {
        QStringList args = batchArgs;
        if (*kind) args.insert(0, kind);
        args.insert(0, "--force");
        const ToolRun r = tool(args);
        EXPECT_EQ(r.exitCode, 1) << kind << r.err;
        EXPECT_NE(r.err.find("noise.31l: has no usable records"), std::string::npos) << r.err;
        const std::string ext = !*kind ? ".xyz" : std::string(kind) == "--las" ? ".las" : ".csv";
        for (int i = 0; i < 8; ++i) {
            const std::string in = "f" + std::to_string(i) + ".31l";
            const std::string out = "f" + std::to_string(i) + ext;
            QStringList one = {"-q", "--force", Q(single.File(in))};
            if (*kind) one.insert(0, kind);
            ASSERT_EQ(tool(one).exitCode, 0) << kind << " " << in;
            const std::string a = batch.Read(out), b = single.Read(out);
            // A LAS header carries the day it was written; past it, bytes.
            const std::size_t skip = ext == ".las" ? 94 : 0;
            ASSERT_GT(a.size(), skip);
            EXPECT_TRUE(a.size() == b.size() && a.compare(skip, a.npos, b, skip, b.npos) == 0)
                << kind << " " << out << " differs from its single run";
        }
    }

    // One line per converted recording, in the order given.
    const auto summary = Lines(batch.Read("summary.csv"));
    ASSERT_EQ(summary.size(), 9u);
    EXPECT_EQ(summary[0],
              "file,start_time,end_time,first_distance_m,last_distance_m,scans,worst_ovality_pct,"
              "worst_ovality_at_m,worst_area_loss_pct,worst_area_loss_at_m,max_debris_depth_m,"
              "max_debris_at_m,debris_volume_m3,pipe_reference,start_node,finish_node,direction");
    for (int i = 0; i < 8; ++i) {
        const std::string& line = summary[1 + i];
        EXPECT_EQ(line.rfind(batch.File("f" + std::to_string(i) + ".31l") + ",2026-03-", 0), 0u)
            << line;
        // The scan count is the condition table's number of scans.
        const auto table = Lines(batch.Read("f" + std::to_string(i) + ".csv"));
        std::vector<std::string> fields;
        std::stringstream ss(line);
        for (std::string f; std::getline(ss, f, ',');)
            fields.push_back(f);
        ASSERT_GE(fields.size(), 6u);
        EXPECT_EQ(fields[5], std::to_string(table.size() - 1)) << line;
    }
    EXPECT_FALSE(AnyPartFile(batch.Dir()));
}

// The table, the LAS file, the report and the observations hand the summary
// the figures of the scans they analyse; the summary must read as when it
// analyses the scans itself (the .xyz, the PLY file and the grade table
// analyse nothing), whether the LAS analysis runs in the pass (-j 1) or on
// its own thread (one file, -j 2).
TEST(BatchTool, SummaryFromTheOutputsOwnAnalysisIsTheSummaryOfItsOwn) {
    TempDir d;
    const Tool tool(SimulatedSurvey(d, "line.31l"));
    const auto summary = [&](const QStringList& kind) {
        QStringList args = kind;
        args << "-q"
             << "--force"
             << "--summary" << Q(d.File("s.csv")) << Q(d.File("line.31l"));
        const ToolRun r = tool(args);
        EXPECT_EQ(r.exitCode, 0) << kind.join(" ").toStdString() << r.err;
        return d.Read("s.csv");
    };
    const std::string own = summary({});
    const auto fields = Fields(own, ',');
    ASSERT_EQ(fields.size(), 2u) << own;
    // The 13 figures, then the survey's pipe and nodes (none here, so empty).
    ASSERT_GE(fields[1].size(), 13u) << own;
    EXPECT_EQ(own.substr(own.size() - 5), ",,,,\n") << own;
    EXPECT_GT(std::stod(fields[1][6]), 2.0) << own; // the oval stretch's ovality
    EXPECT_EQ(summary({"--ply"}), own);
    EXPECT_EQ(summary({"--analysis"}), own);
    EXPECT_EQ(summary({"--las", "-j", "1"}), own);
    EXPECT_EQ(summary({"--las", "-j", "2"}), own);
    EXPECT_EQ(summary({"--report"}), own);
    EXPECT_EQ(summary({"--observations"}), own);
    EXPECT_EQ(summary({"--grade"}), own);
}

TEST(BatchTool, SignalsMidWriteRemoveThePartialOutputAndSayWhy) {
    TempDir d;
    // Long enough that the signal lands while the output is being written.
    ASSERT_TRUE(survey::WriteFile(d.File("big.31l"), 400000, {.orientation = true}));
    const Tool tool;
    const struct {
        int signal;
        const char* kind;
    } cases[] = {{SIGTERM, ""}, {SIGINT, "--ply"}, {SIGHUP, "--analysis"}, {SIGTERM, "--las"}};
    for (const auto& c : cases) {
        QProcess p;
        QStringList args = {"-q", "--force", Q(d.File("big.31l"))};
        if (*c.kind) args.insert(0, c.kind);
        p.start(Q(tool.Path()), args);
        ASSERT_TRUE(p.waitForStarted(10000));
        // Wait for the partial file to appear, then stop the converter.
        bool writing = false;
        for (int i = 0; i < 2000 && !writing; ++i) {
            writing = AnyPartFile(d.Dir());
            if (!writing) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ASSERT_TRUE(writing) << c.kind << ": no partial file seen";
        ::kill(static_cast<pid_t>(p.processId()), c.signal);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << c.kind << " died of the signal";
        EXPECT_EQ(p.exitCode(), 128 + c.signal) << c.kind;
        EXPECT_NE(p.readAllStandardError().toStdString().find("interrupted"), std::string::npos);
        EXPECT_FALSE(AnyPartFile(d.Dir())) << c.kind;
        for (const char* ext : {"big.xyz", "big.ply", "big.csv", "big.las"})
            EXPECT_FALSE(fs::exists(d.File(ext))) << ext;
    }
}

TEST(BatchTool, ThresholdsOutsideTheirRangeAreUsageErrors) {
    const Tool tool; // nominal circle of 1 m: debris deeper than 1 m is absurd
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("s.31l"), 300, {}));
    const struct {
        const char* option;
        const char* value;
        int exitCode;
    } cases[] = {
        {"--debris-threshold", "1e306", 2},  {"--debris-threshold", "1.01", 2},
        {"--ovality-threshold", "100.5", 2}, {"--area-loss-threshold", "-0.1", 2},
        {"--area-loss-threshold", "nan", 2}, {"--ovality-threshold", "inf", 2},
        {"--debris-threshold", "0.5", 0},    {"--ovality-threshold", "100", 0},
    };
    for (const auto& c : cases) {
        const ToolRun r =
            tool({"-q", "--force", "--observations", c.option, c.value, Q(d.File("s.31l"))});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.option << " " << c.value << "\n" << r.err;
        if (c.exitCode == 2) {
            EXPECT_NE(r.err.find(c.option), std::string::npos) << r.err;
        }
    }
}

TEST(BatchTool, ObservationsOfASimulatedOvalAndDebrisStretch) {
    TempDir d;
    const Tool tool(SimulatedSurvey(d, "line.31l"));
    // The mound takes about 5 % of the section at its peak: under the
    // default area-loss threshold, over this one.
    const ToolRun r = tool({"--observations", "--area-loss-threshold", "2", Q(d.File("line.31l"))});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(tool({"-q", "--analysis", Q(d.File("line.31l"))}).exitCode, 0);
    EXPECT_NE(r.out.find("line.pacp.csv"), std::string::npos) << r.out;
    const auto csv = Fields(d.Read("line.pacp.csv"), ',');
    const auto en = Fields(d.Read("line.en13508.txt"), ';');
    ASSERT_GE(csv.size(), 5u) << d.Read("line.pacp.csv") << d.Read("line.en13508.txt")
                              << d.Read("line.csv").substr(0, 20000);
    // Each continuous defect: its start row then its finish row, in both forms.
    struct Expected {
        const char *csvCode, *enCode;
        double from, to; // where the simulator put it
        int clockLow, clockHigh;
    };
    for (const Expected e :
         {Expected{"DFE", "BAA", 1.2, 2.8, 12, 12}, Expected{"DSZ", "BBC", 3.6, 5.2, 4, 8}}) {
        double longest = 0;
        std::vector<std::string> start, finish;
        for (std::size_t i = 1; i + 1 < csv.size(); ++i) {
            if (csv[i].size() < 6 || csv[i][1] != e.csvCode || csv[i][5].rfind("S", 0) != 0)
                continue;
            ASSERT_EQ(csv[i + 1][5], "F" + csv[i][5].substr(1));
            const double length = std::stod(csv[i + 1][0]) - std::stod(csv[i][0]);
            if (length > longest) longest = length, start = csv[i], finish = csv[i + 1];
        }
        ASSERT_FALSE(start.empty()) << e.csvCode << "\n" << d.Read("line.pacp.csv");
        EXPECT_NEAR(std::stod(start[0]), e.from, 0.25) << e.csvCode;
        EXPECT_NEAR(std::stod(finish[0]), e.to, 0.25) << e.csvCode;
        if (e.clockLow == 12) { // smallest diameter up-down: 12 and 6 o'clock
            EXPECT_EQ(start[2], "12");
            EXPECT_EQ(start[3], "06");
        } else { // deposits on the invert, about 6 o'clock
            EXPECT_GE(std::stoi(start[2]), e.clockLow) << start[2];
            EXPECT_LE(std::stoi(start[3]), e.clockHigh) << start[3];
            EXPECT_LE(std::stoi(start[2]), 6);
            EXPECT_GE(std::stoi(start[3]), 6);
        }
        // The same defect in the EN 13508-2 text.
        bool inText = false;
        for (const auto& row : en)
            inText = inText || (row.size() > 6 && row[0] == start[0] && row[2] == e.enCode &&
                                row[1] == start[5] && row[6] == start[2]);
        EXPECT_TRUE(inText) << e.enCode << "\n" << d.Read("line.en13508.txt");
    }
    // Refusal rules as for every output: the table beside it counts too.
    std::filesystem::remove(d.File("line.en13508.txt"));
    const ToolRun again =
        tool({"--observations", "--area-loss-threshold", "2", Q(d.File("line.31l"))});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("line.pacp.csv exists"), std::string::npos) << again.err;
    // A run that fails, even with --force, leaves the earlier table as it
    // was and no text without its table.
    const std::string table = d.Read("line.pacp.csv");
    d.Write("line.31l", std::string(4096, 'x'));
    const ToolRun failed = tool({"-q", "--force", "--observations", Q(d.File("line.31l"))});
    EXPECT_EQ(failed.exitCode, 1) << failed.err;
    EXPECT_EQ(d.Read("line.pacp.csv"), table);
    EXPECT_FALSE(fs::exists(d.File("line.en13508.txt")));
    EXPECT_FALSE(AnyPartFile(d.Dir()));
}

TEST(BatchTool, SeveralRecordingsOfOnePipeMakeOneReportInTheirOrder) {
    TempDir d;
    const Tool tool(SimulatedSurvey(d, "line.31l"));
    // The survey cut in two at a record boundary, given in the wrong order.
    const std::string all = d.Read("line.31l");
    const std::size_t cut = all.size() / 2 / 512 * 512;
    d.Write("b-first half.31l", all.substr(0, cut));
    d.Write("a-second half.31l", all.substr(cut));
    const ToolRun r = tool({"-q", "--report", Q(d.File("a-second half.31l")),
                            Q(d.File("b-first half.31l")), "-o", Q(d.File("pipe.pdf"))});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    QProcess text;
    text.start("pdftotext", {"-layout", Q(d.File("pipe.pdf")), "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const std::string pdf = text.readAllStandardOutput().toStdString();
    EXPECT_NE(pdf.find("b-first half.31l, a-second half.31l"), std::string::npos) << pdf;
    // Findings from both halves: the oval stretch lies in the first, the
    // debris in the second.
    EXPECT_NE(pdf.find("Largest ovality"), std::string::npos);
    EXPECT_NE(pdf.find("Greatest debris depth"), std::string::npos);
    EXPECT_FALSE(AnyPartFile(d.Dir()));
    // An existing report is kept without --force.
    const ToolRun kept = tool({"-q", "--report", Q(d.File("a-second half.31l")),
                               Q(d.File("b-first half.31l")), "-o", Q(d.File("pipe.pdf"))});
    EXPECT_EQ(kept.exitCode, 1);
    // A part without a usable record is named, and no report leaves out a
    // part its title would list; a part given twice, or a report named as
    // one of its recordings, is refused before any work.
    fs::remove(d.File("pipe.pdf"));
    d.Write("noise.31l", std::string(5000, 'z'));
    const ToolRun noisy = tool({"-q", "--report", Q(d.File("a-second half.31l")),
                                Q(d.File("noise.31l")), "-o", Q(d.File("pipe.pdf"))});
    EXPECT_EQ(noisy.exitCode, 1);
    EXPECT_NE(noisy.err.find("noise.31l: has no usable records; the report is not written"),
              std::string::npos)
        << noisy.err;
    EXPECT_FALSE(fs::exists(d.File("pipe.pdf")));
    const std::string second = d.Read("a-second half.31l");
    for (const QStringList& args :
         {QStringList{Q(d.File("a-second half.31l")), Q(d.Dir() + "./a-second half.31l"), "-o",
                      Q(d.File("pipe.pdf"))},
          QStringList{Q(d.File("a-second half.31l")), Q(d.File("b-first half.31l")), "-o",
                      Q(d.File("a-second half.31l"))}}) {
        const ToolRun r = tool(QStringList{"-q", "--force", "--report"} + args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString() << r.err;
        EXPECT_EQ(d.Read("a-second half.31l"), second);
        EXPECT_FALSE(fs::exists(d.File("pipe.pdf")));
    }
}

// Whatever the names given, --force or not, nothing the converter writes
// lands on a recording, and no two writers of one run share a file.
TEST(BatchTool, NoOutputTakesThePlaceOfARecordingOrOfAnotherOutput) {
    const Tool tool;
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("a.31l"), 1500, {}));
    ASSERT_TRUE(survey::WriteFile(d.File("b.31l"), 1500, {}));
    const std::string a = d.Read("a.31l"), b = d.Read("b.31l");
    const std::vector<QStringList> refused = {
        {"--summary", Q(d.File("a.31l")), Q(d.File("a.31l"))},
        {"--summary", Q(d.File("b.31l")), Q(d.File("a.31l"))},
        {"--analysis", "--summary", Q(d.File("a.csv")), Q(d.File("a.31l"))},
        {"--observations", "--summary", Q(d.File("a.pacp.csv")), Q(d.File("a.31l"))},
        {"-j", "2", Q(d.File("a.31l")),
         Q(d.Dir() + "../" + fs::path(d.Dir()).parent_path().filename().string() + "/a.31l")},
        {Q(d.File("a.31l")), "-o", Q(d.File("b.31l"))},
        {Q(d.File("a.31l")), "-o", Q(d.File("new.31l"))},
    };
    for (const QStringList& args : refused) {
        const ToolRun r = tool(QStringList{"-q", "--force"} + args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString() << "\n" << r.err;
        EXPECT_EQ(d.Read("a.31l"), a);
        EXPECT_EQ(d.Read("b.31l"), b);
        EXPECT_FALSE(fs::exists(d.File("new.31l")));
        EXPECT_FALSE(fs::exists(d.File("a.xyz")));
    }
    // Two recordings, each with its own output, still go together.
    EXPECT_EQ(tool({"-q", "-j", "2", Q(d.File("a.31l")), Q(d.File("b.31l"))}).exitCode, 0);
}

// Two recordings whose names differ only in the case of their ending are two
// files, but one .xyz: the refusal names the output they would share.
TEST(BatchTool, TwoRecordingsSharingAnOutputAreToldByThatOutput) {
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("pipe.31l"), 50, {}));
    ASSERT_TRUE(survey::WriteFile(d.File("pipe.31L"), 60, {}));
    const Tool tool;
    const ToolRun r = tool({"-q", Q(d.File("pipe.31l")), Q(d.File("pipe.31L"))});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("would both be written to " + d.File("pipe.xyz")), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("given twice"), std::string::npos) << r.err;
    const ToolRun same = tool({"-q", Q(d.File("pipe.31l")), Q(d.Dir() + "/./pipe.31l")});
    EXPECT_EQ(same.exitCode, 2);
    EXPECT_NE(same.err.find("one recording given twice"), std::string::npos) << same.err;
    EXPECT_FALSE(fs::exists(d.File("pipe.xyz")));
}

// A batch stopped part way keeps the summary lines of the files it finished.
TEST(BatchTool, AnInterruptedBatchKeepsTheSummaryOfItsFinishedFiles) {
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("a.31l"), 200, {}));
    ASSERT_TRUE(survey::WriteFile(d.File("b.31l"), 400000, {.orientation = true}));
    const Tool tool;
    QProcess p;
    p.start(Q(tool.Path()),
            {"-j", "1", "--summary", Q(d.File("s.csv")), Q(d.File("a.31l")), Q(d.File("b.31l"))});
    ASSERT_TRUE(p.waitForStarted(10000));
    // Stop it once the first file is done and the second being written.
    bool second = false;
    for (int i = 0; i < 5000 && !second; ++i) {
        second = fs::exists(d.File("a.xyz")) && AnyPartFile(d.Dir());
        if (!second) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(second) << "the second file was never seen being written";
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 128 + SIGINT);
    ASSERT_TRUE(fs::exists(d.File("s.csv")));
    const std::string summary = d.Read("s.csv");
    EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'), 2) << summary;
    EXPECT_NE(summary.find("a.31l"), std::string::npos) << summary;
    EXPECT_EQ(summary.find("b.31l"), std::string::npos) << summary;
    EXPECT_FALSE(AnyPartFile(d.Dir()));
}

// A rerun with --skip-existing leaves the outputs already there as they are
// (not one byte written to them), converts the rest, and rebuilds the
// summary it left with the figures of every recording; a summary of its own
// is replaced, any other file is not, and --force contradicts it.
TEST(BatchTool, SkipExistingLeavesOutputsAndStillSummarisesTheirRecordings) {
    TempDir d;
    const Tool tool(SimulatedSurvey(d, "a.31l"));
    ASSERT_TRUE(survey::WriteFile(d.File("b.31l"), 300, {}));
    // The figures a full conversion gives, to compare with.
    const ToolRun full =
        tool({"-q", "--summary", Q(d.File("full.csv")), Q(d.File("a.31l")), Q(d.File("b.31l"))});
    ASSERT_EQ(full.exitCode, 0) << full.err;
    const auto fullLines = Lines(d.Read("full.csv"));
    ASSERT_EQ(fullLines.size(), 3u);
    fs::remove(d.File("b.xyz"));
    // What a stopped batch leaves: one output and a summary of it alone; the
    // output is changed by hand so a rewrite would show.
    d.Write("a.xyz", "kept as it was\n");
    const auto before = fs::last_write_time(d.File("a.xyz"));
    d.Write("s.csv", fullLines[0] + "\n" + fullLines[1] + "\n");

    const ToolRun rerun = tool({"--skip-existing", "--summary", Q(d.File("s.csv")),
                                Q(d.File("a.31l")), Q(d.File("b.31l"))});
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err;
    EXPECT_NE(rerun.out.find("a.xyz: exists, left as it is"), std::string::npos) << rerun.out;
    EXPECT_EQ(d.Read("a.xyz"), "kept as it was\n");
    EXPECT_EQ(fs::last_write_time(d.File("a.xyz")), before);
    EXPECT_TRUE(fs::exists(d.File("b.xyz")));
    EXPECT_EQ(Lines(d.Read("s.csv")), fullLines);
    EXPECT_FALSE(AnyPartFile(d.Dir()));

    // Every output there: nothing is written but the summary, still whole.
    const ToolRun again = tool({"-q", "--skip-existing", "--summary", Q(d.File("s.csv")),
                                Q(d.File("a.31l")), Q(d.File("b.31l"))});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(Lines(d.Read("s.csv")), fullLines);
    EXPECT_EQ(d.Read("a.xyz"), "kept as it was\n");

    // A file that is not a summary is never replaced under its name.
    d.Write("notes.csv", "my own notes\n");
    const ToolRun other =
        tool({"-q", "--skip-existing", "--summary", Q(d.File("notes.csv")), Q(d.File("a.31l"))});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_NE(other.err.find("exists"), std::string::npos) << other.err;
    EXPECT_EQ(d.Read("notes.csv"), "my own notes\n");

    const ToolRun both = tool({"-q", "--skip-existing", "--force", Q(d.File("a.31l"))});
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_EQ(d.Read("a.xyz"), "kept as it was\n");
}

namespace {

// The tool run under a limit on the size of any file it writes (the shell's
// "ulimit -f", 512-byte blocks): writes past it fail as on a full disk.
ToolRun RunLimited(const Tool& tool, int blocks, const QStringList& args) {
    QProcess p;
    p.start("sh", QStringList{"-c", QString("ulimit -f %1; exec \"$0\" \"$@\"").arg(blocks),
                              Q(tool.Path())} +
                      args);
    ToolRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(5000);
        r.err = "timed out";
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

} // namespace

// A write that fails part way names the output the operator asked for, never
// the temporary file beside it, with the system's reason; the summary too.
TEST(BatchTool, AFailedWriteNamesTheOutputAndTheSystemsReason) {
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("s.31l"), 6000, {.orientation = true}));
    const Tool tool;
    const std::string reason = std::strerror(EFBIG);
    const struct {
        const char* kind;
        const char* ext;
    } cases[] = {{"", ".xyz"},         {"--ply", ".ply"},
                 {"--las", ".las"},    {"--grade", ".grade.csv"},
                 {"--report", ".pdf"}, {"--analysis", ".csv"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        QStringList args = {"-q", Q(d.File("s.31l"))};
        if (*c.kind) args.prepend(c.kind);
        // The analysis table is small: it gets a smaller limit.
        const ToolRun r = RunLimited(tool, *c.kind && c.kind[2] == 'a' ? 1 : 8, args);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(r.err.find("cannot write " + d.File(std::string("s") + c.ext) + ": " + reason),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find(".part"), std::string::npos) << r.err;
        EXPECT_FALSE(AnyPartFile(d.Dir()));
        EXPECT_FALSE(fs::exists(d.File(std::string("s") + c.ext)));
    }
    const ToolRun summary =
        RunLimited(tool, 0, {"-q", "--summary", Q(d.File("sum.csv")), Q(d.File("s.31l"))});
    EXPECT_EQ(summary.exitCode, 1);
    EXPECT_NE(summary.err.find("cannot write " + d.File("sum.csv") + ": " + reason),
              std::string::npos)
        << summary.err;
    EXPECT_FALSE(fs::exists(d.File("sum.csv")));
}

// A name that is not UTF-8 (ISO-8859-1 "stra\xdfe", copied from an older
// system) names its file: read, written beside it, chosen with -o and
// --summary, and printed as the bytes it was given as.
TEST(BatchTool, FileNamesAreTheBytesTheCommandLineGives) {
    TempDir d;
    const std::string input = d.File("stra\xdf"
                                     "e.31l");
    ASSERT_TRUE(survey::WriteFile(input, 300, {}));
    const Tool tool;
    // A shell's printf makes the bytes: QProcess would pass text.
    const QString dir = Q(d.Dir());
    const auto run = [&](const QString& script) {
        QProcess p;
        p.setWorkingDirectory(dir);
        p.start("sh", {"-c", script, Q(tool.Path())});
        EXPECT_TRUE(p.waitForFinished(60000));
        return std::make_pair(p.exitCode(), p.readAllStandardOutput().toStdString() +
                                                p.readAllStandardError().toStdString());
    };
    auto [status, text] = run("exec \"$0\" \"$(printf 'stra\\337e.31l')\"");
    EXPECT_EQ(status, 0) << text;
    EXPECT_TRUE(fs::exists(d.File("stra\xdf"
                                  "e.xyz")));
    EXPECT_NE(text.find("stra\xdf"
                        "e.31l -> stra\xdf"
                        "e.xyz"),
              std::string::npos)
        << text;
    std::tie(status, text) = run("exec \"$0\" -q -o \"$(printf 'o\\351.xyz')\" --summary "
                                 "\"$(printf 's\\351.csv')\" \"$(printf 'stra\\337e.31l')\"");
    EXPECT_EQ(status, 0) << text;
    EXPECT_TRUE(fs::exists(d.File("o\xe9.xyz")));
    EXPECT_TRUE(fs::exists(d.File("s\xe9.csv")));
    EXPECT_EQ(d.Read("o\xe9.xyz"), d.Read("stra\xdf"
                                          "e.xyz"));
    std::tie(status, text) = run("exec \"$0\" \"$(printf 'stra\\337e.31l')\" ./\"$(printf "
                                 "'stra\\337e.31l')\"");
    EXPECT_EQ(status, 2);
    EXPECT_NE(text.find("stra\xdf"
                        "e.31l and ./stra\xdf"
                        "e.31l are one recording"),
              std::string::npos)
        << text;
}
