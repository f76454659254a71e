// FILE.survey.json read and written: every key round trips, keys of other
// tools survive a rewrite, and hostile files are refused by name and key.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../core/TempDir.h"
#include "survey/SurveyFile.h"

using namespace survey;

namespace {

SurveyDetails Full() {
    SurveyDetails d;
    d.pipeReference = "SW-0815";
    d.startNode = "MH 12";
    d.finishNode = "MH 13";
    d.direction = "upstream";
    d.location = "Hauptstra\xC3\x9F"
                 "e 5";
    d.town = "K\xC3\xB6ln";
    d.district = "Nord";
    d.owner = "City works; \"drains\" #2";
    d.inspector = "A. Inspector";
    d.certificate = "C-77";
    d.purpose = "routine";
    d.preCleaned = false;
    d.weather = "dry";
    d.flowControl = "none";
    d.remarks = "line one\nline two";
    d.shape = "egg";
    d.heightMm = 900;
    d.widthMm = 600.5;
    d.material = "concrete";
    d.lining = "none";
    d.unitLengthM = 2.5;
    d.startNodeDepthM = 3.1;
    d.finishNodeDepthM = 0;
    d.yearLaid = 1962;
    d.waterTemperatureC = 11.25;
    d.units = "imperial";
    d.startNodeCoordinates = NodeCoordinates{512345.125, 5612345.5, 48.75};
    d.finishNodeCoordinates = NodeCoordinates{512400, 5612399.25, -0.1};
    d.crs = "EPSG:25832";
    Calibration c;
    c.date = "2026-12-01";
    c.time = "08:15:00";
    c.certifiedDiameterM = 0.5;
    c.measuredDiameterM = 0.501;
    c.revolutions = 12;
    c.pass = true;
    d.calibration = c;
    return d;
}

} // namespace

TEST(SurveyFile, EveryKeyRoundTripsAndOtherToolsKeysSurviveARewrite) {
    TempDir dir;
    const std::string path = dir.File("pipe.survey.json");
    // Another tool's keys, of every JSON type, beside ours.
    dir.Write("pipe.survey.json",
              R"({"format":"tubescan-survey/1","pipe_reference":"old",)"
              R"("x_gis":{"id":[1,2,{"k":null}],"ok":true},"x_note":"n\u00e9","x_n":-2.5e-3,)"
              R"("x_null":null})");
    LoadResult first = LoadSurveyFile(path);
    ASSERT_EQ(first.error, "");
    ASSERT_TRUE(first.present);
    EXPECT_EQ(first.details.pipeReference, "old");
    EXPECT_EQ(first.details.otherKeys.size(), 4u);

    SurveyDetails d = Full();
    d.otherKeys = first.details.otherKeys;
    std::string why;
    ASSERT_TRUE(SaveSurveyFile(path, d, why)) << why;
    const LoadResult again = LoadSurveyFile(path);
    ASSERT_EQ(again.error, "");
    const SurveyDetails& r = again.details;
    for (const KeyRule& rule : SurveyKeyRules())
        EXPECT_EQ(KeyText(r, rule), KeyText(d, rule)) << rule.key;
    EXPECT_EQ(r.otherKeys, d.otherKeys);
    EXPECT_EQ(r.otherKeys.at("x_gis"), R"({"id":[1,2,{"k":null}],"ok":true})");
    EXPECT_EQ(r.otherKeys.at("x_note"), "\"n\xC3\xA9\"");
    ASSERT_TRUE(r.calibration);
    EXPECT_EQ(r.calibration->measuredDiameterM, 0.501);
    EXPECT_EQ(r.calibration->revolutions, 12);
    EXPECT_TRUE(r.calibration->pass);
    EXPECT_EQ(r.calibration->date, "2026-12-01");
    // Written whole: no temporary file is left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Dir()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST(SurveyFile, MissingFileIsNoErrorAndInvalidDetailsAreNeverWritten) {
    TempDir dir;
    const LoadResult none = LoadSurveyFile(dir.File("absent.survey.json"));
    EXPECT_FALSE(none.present);
    EXPECT_EQ(none.error, "");

    SurveyDetails d;
    d.direction = "sideways";
    std::string why;
    EXPECT_FALSE(SaveSurveyFile(dir.File("x.survey.json"), d, why));
    EXPECT_NE(why.find("direction"), std::string::npos) << why;
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.survey.json")));
    d.direction.clear();
    EXPECT_FALSE(SaveSurveyFile(dir.File("no-such-dir/x.survey.json"), d, why));
    EXPECT_NE(why.find("no-such-dir"), std::string::npos) << why;
}

TEST(SurveyFile, HostileFilesAreRefusedNamingFileAndKey) {
    TempDir dir;
    const auto refused = [&](const std::string& text, const std::string& key) {
        dir.Write("h.survey.json", text);
        const std::string path = dir.File("h.survey.json");
        const LoadResult r = LoadSurveyFile(path);
        EXPECT_TRUE(r.present);
        EXPECT_NE(r.error.find(path), std::string::npos) << r.error;
        if (!key.empty()) {
            EXPECT_NE(r.error.find("\"" + key + "\""), std::string::npos) << r.error;
        }
        EXPECT_EQ(r.details.pipeReference, "") << "a refused file gives no details";
        EXPECT_TRUE(r.details.otherKeys.empty());
        return r.error;
    };
    // Wrong types, one per kind of key.
    refused(R"({"pipe_reference":"P","height_mm":"300"})", "height_mm");
    refused(R"({"pipe_reference":"P","start_node":12})", "start_node");
    refused(R"({"pipe_reference":"P","pre_cleaned":"yes"})", "pre_cleaned");
    refused(R"({"pipe_reference":"P","year_laid":1962.5})", "year_laid");
    refused(R"({"pipe_reference":"P","start_node_coordinates":[1,2,3]})", "start_node_coordinates");
    refused(R"({"pipe_reference":"P","calibration":{"revolutions":"many"}})",
            "calibration.revolutions");
    refused(R"({"pipe_reference":"P","format":"tubescan-survey/9"})", "format");
    refused(R"({"pipe_reference":"P","shape":"triangle"})", "shape");
    // Not JSON, or not an object.
    refused(R"({"pipe_reference":"P",)", "");
    refused("[1,2,3]", "");
    refused("", "");
    // Nesting 10,000 deep under an unknown key.
    refused(R"({"pipe_reference":"P","deep":)" + std::string(10000, '[') + std::string(10000, ']') +
                "}",
            "deep");
    // Invalid UTF-8 in a value.
    refused("{\"pipe_reference\":\"P\",\"town\":\"K\xF6ln\"}", "town");
    // A 1 MiB string: the file is over the limit.
    const std::string big =
        refused(R"({"pipe_reference":"P","remarks":")" + std::string(1 << 20, 'a') + "\"}", "");
    EXPECT_NE(big.find("1 MiB"), std::string::npos) << big;
    // Just under the limit, the string is refused by its key's length.
    refused(R"({"pipe_reference":"P","remarks":")" + std::string((1 << 20) - 64, 'a') + "\"}",
            "remarks");
    // A line break where one line is expected.
    refused(R"({"pipe_reference":"P\nQ"})", "pipe_reference");
}

TEST(SurveyFile, SetRefusesUnknownKeysAndBadValuesByName) {
    SurveyDetails d;
    EXPECT_EQ(SetSurveyKey(d, "inspector", "J. Doe"), "");
    EXPECT_EQ(d.inspector, "J. Doe");
    const std::string unknown = SetSurveyKey(d, "inspektor", "x");
    EXPECT_NE(unknown.find("inspektor"), std::string::npos) << unknown;
    const std::string range = SetSurveyKey(d, "water_temperature_c", "90");
    EXPECT_NE(range.find("water_temperature_c"), std::string::npos) << range;
    EXPECT_FALSE(d.waterTemperatureC);
}
