#include <gtest/gtest.h>

#include "TempDir.h"
#include "format/IniFile.h"

TEST(IniFilePreservation, CaseInsensitiveLookupTrimmingAndQuotes) {
    IniFile ini = IniFile::FromText("; comment\r\n[SYSTEM settings]\r\n  zoom =  2.5  \r\n"
                                    "Name=\"quoted value\"\r\nEmpty=\r\n[Other]\r\nZoom=9\r\n");
    EXPECT_EQ(ini.Get("System Settings", "Zoom"), "2.5");
    EXPECT_EQ(ini.Get("system settings", "NAME"), "quoted value");
    EXPECT_EQ(ini.Get("System Settings", "Empty"), "");
    EXPECT_EQ(ini.Get("Other", "zoom"), "9");
    EXPECT_FALSE(ini.Get("System Settings", "Missing"));
    EXPECT_FALSE(ini.Get("Missing", "Zoom"));
    EXPECT_EQ(ini.GetString("Missing", "Zoom", "dflt"), "dflt");
}

TEST(IniFilePreservation, LongValuesAreCutTo255Characters) {
    std::string big(3'000'000, 'x');
    IniFile ini = IniFile::FromText("[S]\nK=" + big + "\n");
    ASSERT_TRUE(ini.Get("S", "K"));
    EXPECT_EQ(ini.Get("S", "K")->size(), 255u);
}

TEST(IniFilePreservation, SetReplacesInPlaceAndKeepsEverythingElse) {
    const std::string original = "; written by hand\r\n[System Settings]\r\n"
                                 "ZOOM=3.00\r\n; keep me\r\nCustom Key=abc\r\n\r\n"
                                 "[Extra]\r\nfoo=bar\r\n";
    IniFile ini = IniFile::FromText(original);
    ini.Set("System Settings", "Zoom", "1.50");
    ini.Set("System Settings", "Units", "2");
    ini.Set("Sonar Settings", "Gain", "12");
    EXPECT_EQ(ini.ToText(), "; written by hand\r\n[System Settings]\r\n"
                            "Zoom=1.50\r\n; keep me\r\nCustom Key=abc\r\nUnits=2\r\n\r\n"
                            "[Extra]\r\nfoo=bar\r\n"
                            "[Sonar Settings]\r\nGain=12\r\n");
}

TEST(IniFilePreservation, UnixLineEndingsAndMissingFinalNewline) {
    IniFile ini = IniFile::FromText("[A]\nx=1");
    EXPECT_EQ(ini.Get("A", "x"), "1");
    ini.Set("A", "y", "2");
    EXPECT_EQ(ini.ToText(), "[A]\nx=1\ny=2\n");
}

TEST(IniFilePreservation, BinaryGarbageIsKeptAndDoesNotConfuseLookups) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.push_back(static_cast<char>((i * 131) & 0xFF));
    IniFile ini = IniFile::FromText(garbage);
    ini.Set("System Settings", "Zoom", "1.00");
    const std::string text = ini.ToText();
    EXPECT_EQ(text.substr(0, garbage.size()), garbage);
    EXPECT_EQ(IniFile::FromText(text).Get("System Settings", "Zoom"), "1.00");
}

TEST(IniFilePreservation, SaveCreatesAndReplacesAtomically) {
    TempDir dir;
    IniFile ini;
    ini.Set("S", "K", "V");
    ASSERT_TRUE(ini.Save(dir.File("a.ini")));
    EXPECT_EQ(dir.Read("a.ini"), "[S]\r\nK=V\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.ini.tmp")));
    std::string error;
    EXPECT_FALSE(ini.Save(dir.File("no/such/dir/a.ini"), &error));
    EXPECT_FALSE(error.empty());
    std::string readError;
    IniFile missing = IniFile::Load(dir.File("absent.ini"), &readError);
    EXPECT_FALSE(readError.empty());
    EXPECT_EQ(missing.ToText(), "");
}
