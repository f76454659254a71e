// The converter and the survey details beside each recording: a sidecar it
// cannot use is named with its key, the recording is converted all the same,
// and the status says so; --survey and --set are checked before any work.
#include <gtest/gtest.h>

#include <filesystem>

#include "../core/TempDir.h"
#include "../support/ConvertTool.h"
#include "../support/SurveyFile.h"

using namespace converttest;

TEST(SurveyConvert, AnUnusableSidecarIsNamedAndTheRecordingStillConverted) {
    const Tool tool;
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("good.31l"), 40, {}));
    ASSERT_TRUE(survey::WriteFile(d.File("bad.31l"), 40, {}));
    d.Write("good.survey.json", R"({"format":"tubescan-survey/1","pipe_reference":"SW-1"})");
    d.Write("bad.survey.json", R"({"pipe_reference":"SW-2","height_mm":"tall"})");

    const ToolRun r = tool({"-q", Q(d.File("good.31l")), Q(d.File("bad.31l"))});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find(d.File("bad.survey.json") + ": key \"height_mm\""), std::string::npos)
        << r.err;
    // Nothing is said of the good file's details (its records' speed of sound
    // against the settings' may still be noted).
    EXPECT_EQ(r.err.find("good.survey.json"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("good.31l is converted without"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::exists(d.File("good.xyz")));
    EXPECT_TRUE(std::filesystem::exists(d.File("bad.xyz"))) << "converted without its details";
    EXPECT_EQ(std::filesystem::file_size(d.File("good.xyz")),
              std::filesystem::file_size(d.File("bad.xyz")));

    // Invalid UTF-8 and nesting too deep are refused the same way.
    d.Write("bad.survey.json", "{\"town\":\"K\xF6ln\"}");
    const ToolRun utf8 = tool({"-q", "-f", Q(d.File("bad.31l"))});
    EXPECT_EQ(utf8.exitCode, 1);
    EXPECT_NE(utf8.err.find("key \"town\""), std::string::npos) << utf8.err;
    d.Write("bad.survey.json", "{\"x\":" + std::string(10000, '[') + std::string(10000, ']') + "}");
    const ToolRun deep = tool({"-q", "-f", Q(d.File("bad.31l"))});
    EXPECT_EQ(deep.exitCode, 1);
    EXPECT_NE(deep.err.find("key \"x\""), std::string::npos) << deep.err;
}

TEST(SurveyConvert, SurveyAndSetAreCheckedBeforeAnyWork) {
    const Tool tool;
    TempDir d;
    ASSERT_TRUE(survey::WriteFile(d.File("a.31l"), 20, {}));
    ASSERT_TRUE(survey::WriteFile(d.File("b.31l"), 20, {}));
    d.Write("details.json", R"({"pipe_reference":"SW-3","start_node":"MH1"})");

    const ToolRun two =
        tool({"--survey", Q(d.File("details.json")), Q(d.File("a.31l")), Q(d.File("b.31l"))});
    EXPECT_EQ(two.exitCode, 2);
    EXPECT_NE(two.err.find("--survey takes exactly one input"), std::string::npos) << two.err;
    const ToolRun unknown = tool({"--set", "pipe_ref=SW", Q(d.File("a.31l"))});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("pipe_ref"), std::string::npos) << unknown.err;
    const ToolRun range = tool({"--set", "year_laid=1066", Q(d.File("a.31l"))});
    EXPECT_EQ(range.exitCode, 2);
    EXPECT_NE(range.err.find("year_laid"), std::string::npos) << range.err;
    EXPECT_FALSE(std::filesystem::exists(d.File("a.xyz"))) << "nothing converted";

    // Good ones: the named file and overrides are taken, the run succeeds.
    const ToolRun good =
        tool({"-q", "--survey", Q(d.File("details.json")), "--set", "finish_node=MH2", "--set",
              "direction=upstream", Q(d.File("a.31l"))});
    EXPECT_EQ(good.exitCode, 0) << good.err;
    EXPECT_TRUE(std::filesystem::exists(d.File("a.xyz")));
    // A --survey file that is not there is said, and the status is 1.
    const ToolRun missing =
        tool({"-q", "-f", "--survey", Q(d.File("none.json")), Q(d.File("a.31l"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find(d.File("none.json")), std::string::npos) << missing.err;
}
