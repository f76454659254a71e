// The rules the sidecar, the converter's --set and the dialog share.
#include <gtest/gtest.h>

#include "format/SurveyDetails.h"

using namespace survey;

namespace {
const KeyRule& Rule(const char* key) {
    const KeyRule* r = FindSurveyKey(key);
    EXPECT_NE(r, nullptr) << key;
    return *r;
}
} // namespace

TEST(SurveyRules, SidecarSitsBesideTheRecordingWhateverTheCase) {
    EXPECT_EQ(SidecarPath("/data/site.2024/pipe.31l"), "/data/site.2024/pipe.survey.json");
    EXPECT_EQ(SidecarPath("PIPE.31L"), "PIPE.survey.json");
    EXPECT_EQ(SidecarPath("notes.txt"), "notes.txt.survey.json");
}

TEST(SurveyRules, TextIsHeldToLengthLinesAndUtf8) {
    const KeyRule& pipe = Rule("pipe_reference");
    EXPECT_EQ(CheckText(pipe, std::string(64, 'A')), "");
    EXPECT_NE(CheckText(pipe, std::string(65, 'A')), "");
    // Characters, not bytes: 64 two-byte letters are still 64 characters.
    std::string umlauts;
    for (int i = 0; i < 64; ++i)
        umlauts += "\xC3\xA4";
    EXPECT_EQ(CheckText(pipe, umlauts), "");
    EXPECT_NE(CheckText(pipe, "SW\n12"), "");
    EXPECT_NE(CheckText(pipe, std::string("SW\0"
                                          "12",
                                          5)),
              "");
    EXPECT_NE(CheckText(pipe, "SW\xC3"), "");       // cut sequence
    EXPECT_NE(CheckText(pipe, "\xC0\xAF"), "");     // overlong "/"
    EXPECT_NE(CheckText(pipe, "\xED\xA0\x80"), ""); // a surrogate
    EXPECT_EQ(CheckText(Rule("remarks"), "first line\nsecond line"), "");
    EXPECT_NE(CheckText(Rule("direction"), "sideways"), "");
    EXPECT_EQ(CheckText(Rule("direction"), "upstream"), "");
}

TEST(SurveyRules, TextFormsSetEveryTypeAndRefuseWithoutTouching) {
    SurveyDetails d;
    EXPECT_EQ(SetKeyText(d, Rule("height_mm"), " 300 "), "");
    EXPECT_EQ(d.heightMm, 300.0);
    EXPECT_NE(SetKeyText(d, Rule("height_mm"), "12000"), "");
    EXPECT_NE(SetKeyText(d, Rule("height_mm"), "300mm"), "");
    EXPECT_NE(SetKeyText(d, Rule("height_mm"), "nan"), "");
    EXPECT_EQ(d.heightMm, 300.0) << "a refused value leaves the key as it was";
    EXPECT_EQ(SetKeyText(d, Rule("height_mm"), ""), "");
    EXPECT_FALSE(d.heightMm);

    EXPECT_NE(SetKeyText(d, Rule("year_laid"), "1987.5"), "");
    EXPECT_EQ(SetKeyText(d, Rule("year_laid"), "1987"), "");
    EXPECT_EQ(d.yearLaid, 1987);
    EXPECT_EQ(SetKeyText(d, Rule("pre_cleaned"), "no"), "");
    EXPECT_EQ(d.preCleaned, false);
    EXPECT_NE(SetKeyText(d, Rule("pre_cleaned"), "maybe"), "");

    EXPECT_EQ(SetKeyText(d, Rule("start_node_coordinates"), "512000.5, 5400000,-3.25"), "");
    ASSERT_TRUE(d.startNodeCoordinates);
    EXPECT_EQ(d.startNodeCoordinates->y, 5400000.0);
    EXPECT_EQ(d.startNodeCoordinates->z, -3.25);
    EXPECT_EQ(KeyText(d, Rule("start_node_coordinates")), "512000.5,5400000,-3.25");
    EXPECT_NE(SetKeyText(d, Rule("start_node_coordinates"), "1,2"), "");
    EXPECT_NE(SetKeyText(d, Rule("start_node_coordinates"), "1,2,3,4"), "");
    EXPECT_NE(SetKeyText(d, Rule("start_node_coordinates"), "1e300,2,3"), "");
}

TEST(SurveyRules, NeededKeysAreReportedUntilFilled) {
    SurveyDetails d;
    ASSERT_EQ(MissingNeeded(d).size(), 5u);
    d.pipeReference = "SW-12";
    d.startNode = "MH1";
    d.finishNode = "MH2";
    d.direction = "downstream";
    ASSERT_EQ(MissingNeeded(d).size(), 1u);
    EXPECT_STREQ(MissingNeeded(d)[0]->key, "inspector");
    d.inspector = "J. Doe";
    EXPECT_TRUE(MissingNeeded(d).empty());
    EXPECT_EQ(CheckDetails(d), "");
    d.waterTemperatureC = 55;
    EXPECT_EQ(CheckDetails(d).rfind("water_temperature_c: ", 0), 0u) << CheckDetails(d);
}
