// tubescan-convert and the speed of sound: a survey in 10 degree water
// recorded at the default speed and corrected afterwards, the ring check of
// the command line, and a survey recorded after that check, all against the
// simulator's truth; what the report says of the scale.
#include <gtest/gtest.h>

#include <QProcess>

#include <cmath>
#include <filesystem>
#include <regex>
#include <sstream>

#include "../core/TempDir.h"
#include "../support/ConvertTool.h"
#include "../support/PipeSurvey.h"
#include "analysis/SoundSpeed.h"
#include "format/NumberText.h"

using namespace converttest;

namespace {

// The settings file of ConvertTool.h with the program's speed of sound.
std::string SettingsAt(const std::string& speed) {
    std::string settings = kSettings;
    settings.replace(settings.find("1430"), 4, speed);
    return settings;
}

// The mean of the condition table's mean diameters.
double MeanDiameter(const std::string& csv) {
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);
    double sum = 0.0;
    int n = 0;
    while (std::getline(in, line)) {
        std::stringstream fields(line);
        std::string v;
        for (int i = 0; i <= 7 && std::getline(fields, v, ','); ++i) {
        }
        if (v.empty()) continue;
        sum += std::stod(v);
        ++n;
    }
    EXPECT_GT(n, 10);
    return n ? sum / n : NAN;
}

std::string PdfText(const std::string& pdf) {
    QProcess p;
    p.start("pdftotext", {Q(pdf), "-"});
    if (!p.waitForFinished(60000)) return {};
    return p.readAllStandardOutput().toStdString();
}

constexpr double kPipe = 1.0; // the simulator's pipe, metres

sim::PipeParams ColdPipe(double diameter = kPipe) {
    sim::PipeParams pipe;
    pipe.diameter = diameter;
    pipe.soundVelocity = analysis::SoundSpeedInWater(10.0);
    return pipe;
}

TEST(SoundSpeedTool, SurveyInColdWaterCorrectedAfterwardsWithinATenthOfAPercent) {
    const Tool tool(SettingsAt("1500"));
    TempDir d;
    pipesurvey::WriteSurvey(d.File("cold.31l"), ColdPipe(), 400 * 12);

    ToolRun r = tool({"-q", "--analysis", Q(d.File("cold.31l"))});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err; // the records agree with the settings
    const double asRecorded = MeanDiameter(d.Read("cold.csv"));
    EXPECT_NEAR(100.0 * (asRecorded / kPipe - 1.0), 3.6, 0.15);

    r = tool({"-q", "-f", "--analysis", "--water-temperature", "10", Q(d.File("cold.31l"))});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const double corrected = MeanDiameter(d.Read("cold.csv"));
    EXPECT_LT(std::fabs(corrected / kPipe - 1.0), 0.001) << corrected;
    // Said once: the records were made at another speed.
    const std::regex said("the recording says it was made at 1500\\.0 m/s");
    EXPECT_EQ(std::distance(std::sregex_iterator(r.err.begin(), r.err.end(), said),
                            std::sregex_iterator()),
              1)
        << r.err;
    std::printf("10 C survey recorded at 1500 m/s: mean diameter %.4f m (%+.2f %%); corrected "
                "with --water-temperature 10: %.4f m (%+.3f %%)\n",
                asRecorded, 100.0 * (asRecorded / kPipe - 1.0), corrected,
                100.0 * (corrected / kPipe - 1.0));

    // The same correction for the report, which says how the scale was set.
    r = tool({"-q", "--report", "--water-temperature", "10", Q(d.File("cold.31l"))});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = PdfText(d.File("cold.pdf"));
    EXPECT_NE(text.find("1447.3 m/s from 10.0 °C water, corrected after the survey"),
              std::string::npos)
        << text.substr(0, 2000);
    EXPECT_NE(text.find("scale not checked against a known diameter"), std::string::npos);
    EXPECT_NE(text.find("the records say 1500.0 m/s"), std::string::npos);
}

TEST(SoundSpeedTool, RingCheckThenSurveyAtTheProposedSpeed) {
    TempDir d;
    pipesurvey::WriteSurvey(
        d.File("ring.31l"),
        [] {
            sim::PipeParams ring = ColdPipe(0.600);
            ring.swayPitch = ring.swayRoll = 0.0;
            ring.travelSpeed = 0.0;
            return ring;
        }(),
        400 * 12 + 10);
    const Tool atDefault(SettingsAt("1500"));
    ToolRun r = atDefault({"--calibration-ring", "0.6", Q(d.File("ring.31l"))});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    const std::regex line("calibration: certified 0\\.6000 m, measured (0\\.6[0-9]{3}) m "
                          "\\(\\+3\\.[5-7][0-9] %\\), spread 0\\.[0-9]{2} %, revolutions 1[12], "
                          "speed 1500\\.0 m/s -> (14[0-9]{2}\\.[0-9]) m/s, fail\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.out, m, line)) << r.out;
    const std::string measured = m[1], proposed = m[2];
    EXPECT_NEAR(std::stod(proposed), analysis::SoundSpeedInWater(10.0),
                0.002 * analysis::SoundSpeedInWater(10.0));
    // Nothing is written, whatever the check says.
    EXPECT_FALSE(std::filesystem::exists(d.File("ring.xyz")));
    // At the right speed it passes; given one 1 % off, it fails.
    r = atDefault(
        {"--calibration-ring", "0.6", "--water-temperature", "10", Q(d.File("ring.31l"))});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find(", pass\n"), std::string::npos) << r.out;
    r = atDefault({"--calibration-ring", "0.6", "--sound-speed",
                   Q(FormatFixed(analysis::SoundSpeedInWater(10.0) * 1.01, 1)),
                   Q(d.File("ring.31l"))});
    EXPECT_EQ(r.exitCode, 1) << r.out;

    // The survey recorded after accepting the speed, the check in its
    // details: true to size, and the report says where its speed came from.
    pipesurvey::WriteSurvey(d.File("after.31l"), ColdPipe(), 400 * 12, 120, 4, 0,
                            std::stod(proposed));
    d.Write("after.survey.json",
            "{\"format\": \"tubescan-survey/1\", \"calibration\": {\"date\": \"2026-12-10\", "
            "\"time\": \"09:00:00\", \"certified_diameter_m\": 0.6, \"measured_diameter_m\": " +
                measured +
                ", \"error_pct\": 3.6, \"spread_pct\": 0.02, "
                "\"revolutions\": 11, \"speed_before_mps\": 1500, \"speed_after_mps\": " +
                proposed +
                ", \"accuracy_limit_pct\": 0.5, \"spread_limit_pct\": 0.12, "
                "\"pass\": true}}");
    const Tool calibrated(SettingsAt(proposed));
    r = calibrated({"-q", "--analysis", Q(d.File("after.31l"))});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    const double after = MeanDiameter(d.Read("after.csv"));
    EXPECT_LT(std::fabs(after / kPipe - 1.0), 0.005) << after;
    std::printf("survey after the ring check (%s m/s): mean diameter %.4f m (%+.3f %%)\n",
                proposed.c_str(), after, 100.0 * (after / kPipe - 1.0));
    r = calibrated({"-q", "--report", Q(d.File("after.31l"))});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = PdfText(d.File("after.pdf"));
    EXPECT_NE(text.find(proposed + " m/s from a ring calibration"), std::string::npos)
        << text.substr(0, 2000);
    EXPECT_NE(text.find("scale checked in a 0.6000 m ring"), std::string::npos);
}

// The main job's case: the program set to the water's speed, the survey
// details naming the water; and the same details against a speed left at
// the default, which the converter and the report point out.
TEST(SoundSpeedTool, SurveyDetailsWaterAgainstTheSpeedUsed) {
    TempDir d;
    const std::string water = "{\"format\": \"tubescan-survey/1\", \"water_temperature_c\": 10}";
    pipesurvey::WriteSurvey(d.File("set.31l"), ColdPipe(), 400 * 3, 120, 4, 0, 1447.3);
    d.Write("set.survey.json", water);
    ToolRun r = Tool(SettingsAt("1447.3"))({"-q", "--report", Q(d.File("set.31l"))});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    std::string text = PdfText(d.File("set.pdf"));
    EXPECT_NE(text.find("speed of sound 1447.3 m/s from 10.0 °C water\n"), std::string::npos)
        << text.substr(0, 1500);

    pipesurvey::WriteSurvey(d.File("unset.31l"), ColdPipe(), 400 * 3);
    d.Write("unset.survey.json", water);
    r = Tool(SettingsAt("1500"))({"-q", "--report", Q(d.File("unset.31l"))});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("used; the survey details give 10.0 °C water (1447.3 m/s)"),
              std::string::npos)
        << r.err;
    text = PdfText(d.File("unset.pdf"));
    EXPECT_NE(text.find("speed of sound 1500.0 m/s set by hand"), std::string::npos);
    EXPECT_NE(text.find("used; the survey details give 10.0 °C water (1447.3 m/s)"),
              std::string::npos)
        << text.substr(0, 1500);
}

TEST(SoundSpeedTool, RefusesSpeedsAndCombinationsItCannotUse) {
    const Tool tool(SettingsAt("1500"));
    TempDir d;
    pipesurvey::WriteSurvey(d.File("s.31l"), ColdPipe(), 400);
    for (const QStringList& args :
         std::initializer_list<QStringList>{{"--sound-speed", "1300"},
                                            {"--sound-speed", "fast"},
                                            {"--water-temperature", "45"},
                                            {"--salinity", "3"},
                                            {"--sound-speed", "1450", "--water-temperature", "10"},
                                            {"--water-temperature", "10", "--salinity", "-1"},
                                            {"--calibration-ring", "0.6", "--ply"},
                                            {"--calibration-ring", "0"}}) {
        QStringList all = args;
        all << Q(d.File("s.31l"));
        const ToolRun r = tool(all);
        EXPECT_EQ(r.exitCode, 2) << all.join(' ').toStdString() << ": " << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(d.File("s.xyz")));
}

} // namespace
