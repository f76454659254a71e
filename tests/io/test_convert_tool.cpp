// tubescan-convert's command line, refusals and hostile input.
#include <gtest/gtest.h>

#include <QProcess>

#include <filesystem>
#include <random>
#include <sys/stat.h>

#include "../core/TempDir.h"
#include "../support/ConvertTool.h"
#include "../support/SurveyFile.h"
#include "doc/TubescanDoc.h"

namespace fs = std::filesystem;
using namespace converttest;

namespace {

std::size_t Lines(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

// Points in a survey of count records: one per ping the head did not garble.
std::size_t Points(std::uint32_t count) {
    std::size_t n = 0;
    for (std::uint32_t i = 0; i < count; ++i)
        n += i % 97 != 5;
    return n;
}

} // namespace

TEST(ConvertTool, UsageErrorsExitWithTwo) {
    const Tool tool;
    TempDir d;
    EXPECT_EQ(tool({}).exitCode, 2);
    EXPECT_EQ(tool({"--no-such-option", "a.31l"}).exitCode, 2);
    const ToolRun twoWithO = tool({"-o", Q(d.File("x.xyz")), "a.31l", "b.31l"});
    EXPECT_EQ(twoWithO.exitCode, 2);
    EXPECT_NE(twoWithO.err.find("one input"), std::string::npos);
    const ToolRun help = tool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--force"), std::string::npos);
    const ToolRun version = tool({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_NE(version.out.find(TUBESCAN_VERSION), std::string::npos);
}

TEST(ConvertTool, ExplainsEveryFailureAndLeavesNoPartialFiles) {
    const Tool tool;
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("good.31l"), 50, {}));
    d.Write("notes.txt", std::string(1000, 'x'));
    d.Write("short.31l", std::string(99, '\0'));
    d.Write("noise.31l", std::string(5000, 'z'));
    ASSERT_EQ(::mkfifo(d.File("pipe.31l").c_str(), 0600), 0);

    const ToolRun r =
        tool({Q(d.File("notes.txt")), Q(d.File("missing.31l")), Q(d.File("short.31l")),
              Q(d.File("noise.31l")), Q(d.File("pipe.31l")), Q(d.File("good.31l"))});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    for (const char* why : {"notes.txt: not a \".31l\" data file name",
                            "missing.31l: cannot be read", "short.31l: has no records",
                            "noise.31l: has no usable records", "pipe.31l: is not a regular file"})
        EXPECT_NE(r.err.find(why), std::string::npos) << why << "\n" << r.err;
    // The good file among them is still converted.
    EXPECT_NE(r.out.find("good.xyz: 49 points"), std::string::npos) << r.out;
    EXPECT_EQ(Lines(d.Read("good.xyz")), Points(50));
    for (const auto& entry : fs::directory_iterator(d.Dir())) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.find(".part"), std::string::npos) << name;
        EXPECT_TRUE(name == "good.xyz" || entry.path().extension() != ".xyz") << name;
    }
}

TEST(ConvertTool, NeverReplacesAFileUnlessForced) {
    const Tool tool;
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("a.31l"), 20, {}));
    d.Write("a.xyz", "keep me");
    ToolRun r = tool({Q(d.File("a.31l"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("--force"), std::string::npos);
    EXPECT_EQ(d.Read("a.xyz"), "keep me");

    r = tool({"--force", "-q", Q(d.File("a.31l"))});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Lines(d.Read("a.xyz")), Points(20));

    // -o names the output; it may not name the input.
    r = tool({"-q", "-o", Q(d.File("other.txt")), Q(d.File("a.31l"))});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(d.Read("other.txt"), d.Read("a.xyz"));
    const auto before = fs::file_size(d.File("a.31l"));
    r = tool({"--force", "-o", Q(d.File("a.31l")), Q(d.File("a.31l"))});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("recording's name"), std::string::npos) << r.err;
    fs::create_hard_link(d.File("a.31l"), d.File("same.dat"));
    r = tool({"--force", "-o", Q(d.File("same.dat")), Q(d.File("a.31l"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("input itself"), std::string::npos) << r.err;
    EXPECT_EQ(fs::file_size(d.File("a.31l")), before);

    // A relative name is taken from the working folder.
    fs::remove(d.File("a.xyz"));
    r = tool({"-q", "a.31l"}, d.Dir());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::exists(d.File("a.xyz")));
}

TEST(ConvertTool, HostileFilesNeitherCrashNorHang) {
    const Tool tool;
    TempDir d;
    std::mt19937 rng(31);
    QStringList files{"-q"};
    for (int k = 0; k < 12; ++k) {
        // Real records cut, overwritten and shuffled with signatures whose
        // lengths point anywhere.
        std::string bytes;
        CTubescanDoc scratch;
        for (std::uint32_t i = 0; i < 40; ++i) {
            const auto r = survey::MakeRecord(scratch, i, {.orientation = true});
            bytes.append(reinterpret_cast<const char*>(r.data()), r.size());
        }
        for (int j = 0; j < 60; ++j) {
            const std::size_t at = rng() % bytes.size();
            switch (rng() % 4) {
            case 0:
                bytes.replace(at, 3, "31L");
                break;
            case 1:
                bytes[at] = static_cast<char>(rng());
                break;
            case 2:
                if (at + 6 < bytes.size()) {
                    bytes[at + 4] = static_cast<char>(rng());
                    bytes[at + 5] = static_cast<char>(rng());
                }
                break;
            default:
                bytes.resize(std::max<std::size_t>(at, 100));
                break;
            }
        }
        const std::string name = "hostile" + std::to_string(k) + ".31l";
        d.Write(name, bytes);
        files << Q(d.File(name));
    }
    const ToolRun r = tool(files);
    EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1) << r.err;

    // A recording cut short inside its last record: the whole ones convert,
    // and the operator learns what was left out.
    CTubescanDoc scratch;
    // Made at the tool's speed of sound, so the records give nothing else to say.
    scratch.Settings().m_soundVelocity = 1430.0;
    std::string whole;
    for (std::uint32_t i = 0; i < 30; ++i) {
        const auto rec = survey::MakeRecord(scratch, i, {});
        whole.append(reinterpret_cast<const char*>(rec.data()), rec.size());
    }
    d.Write("whole.31l", whole);
    d.Write("cut.31l", whole + whole.substr(0, 300));
    const ToolRun ok = tool({"-q", Q(d.File("whole.31l"))});
    const ToolRun cut = tool({"-q", Q(d.File("cut.31l"))});
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(ok.err, "");
    EXPECT_EQ(cut.exitCode, 0) << cut.err;
    EXPECT_NE(cut.err.find("cut.31l: the last 300 bytes are not a whole record"), std::string::npos)
        << cut.err;
    EXPECT_EQ(d.Read("cut.xyz"), d.Read("whole.xyz"));
}

TEST(ConvertTool, OnlyARegularFileIsEverReplacedAndAFileSizeLimitIsAFailureNotADeath) {
    const Tool tool;
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("in.31l"), 200, {}));
    d.Write("target.txt", "keep me");
    ASSERT_EQ(::symlink(d.File("target.txt").c_str(), d.File("link.xyz").c_str()), 0);
    ASSERT_EQ(::mkfifo(d.File("fifo.xyz").c_str(), 0600), 0);
    for (const char* out : {"link.xyz", "fifo.xyz"}) {
        const ToolRun r = tool({"--force", "-q", "-o", Q(d.File(out)), Q(d.File("in.31l"))});
        EXPECT_EQ(r.exitCode, 1) << out << r.err;
        EXPECT_NE(r.err.find("only a regular file"), std::string::npos) << r.err;
    }
    struct stat st {};
    ASSERT_EQ(::lstat(d.File("link.xyz").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::lstat(d.File("fifo.xyz").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(d.Read("target.txt"), "keep me");

    // Under a 4 KiB file-size limit the write fails with EFBIG: reported,
    // exit 1, and no temporary file left behind.
    QProcess p;
    p.start("/bin/sh", {"-c", "ulimit -f 4; exec \"$0\" -q --force \"$1\"",
                        QString::fromStdString(tool.Path()), Q(d.File("in.31l"))});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << "killed by SIGXFSZ";
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_FALSE(p.readAllStandardError().isEmpty());
    for (const auto& entry : fs::directory_iterator(d.Dir()))
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos)
            << entry.path();
}

// --analysis: the pipe-condition table beside the recording, with the .xyz
// conversion's refusal and replacement rules and a summary unless quiet.
TEST(ConvertTool, AnalysisWritesTheConditionTable) {
    const Tool tool;
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("s.31l"), 1300, {}));
    const ToolRun first = tool({"--analysis", Q(d.File("s.31l"))});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out.find("worst ovality (ASTM F1216)"), std::string::npos) << first.out;
    const std::string csv = d.Read("s.csv");
    EXPECT_EQ(csv.rfind("scan,time,distance_m,points,coverage_deg,centre_x_m,centre_y_m,"
                        "mean_diameter_m,min_diameter_m,max_diameter_m,ovality_pct,open_area_m2,"
                        "area_loss_pct,debris_depth_m,debris_area_m2\n",
                        0),
              0u);
    EXPECT_GE(Lines(csv), 3u);
    EXPECT_FALSE(fs::exists(d.File("s.xyz")));

    const ToolRun again = tool({"-a", "-q", Q(d.File("s.31l"))});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("exists (--force replaces it)"), std::string::npos) << again.err;
    const ToolRun forced = tool({"-a", "-q", "-f", "-o", Q(d.File("o.csv")), Q(d.File("s.31l"))});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_TRUE(forced.out.empty()) << forced.out;
    EXPECT_EQ(d.Read("o.csv"), csv);
}
