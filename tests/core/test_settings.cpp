#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

#include "../support/DocumentSpy.h"
#include "TempDir.h"
#include "doc/TubescanDoc.h"
#include "format/IniFile.h"

namespace {

// A document whose settings file lives in a scratch folder.
struct DocInDir {
    TempDir dir;
    CTubescanDoc doc;
    void Write(const std::string& text) { dir.Write("TubescanL.INI", text); }
    void Open() { ASSERT_TRUE(doc.OnNewDocument(dir.Dir())); }
};

} // namespace

TEST(SettingsLoad, MissingFileGivesTheDefaults) {
    DocInDir d;
    d.Open();
    const CTubescanDoc& doc = d.doc;
    EXPECT_EQ(doc.SettingsPath(), d.dir.Dir() + "TubescanL.INI");
    EXPECT_EQ(doc.Settings().m_udpAddress, "192.168.0.23");
    EXPECT_EQ(doc.Settings().m_ipAddress, "192.168.0.5");
    EXPECT_EQ(doc.Settings().m_udpXyzEnabled, 1);
    EXPECT_EQ(doc.Settings().m_udpPrdEnabled, 0);
    EXPECT_EQ(doc.Settings().m_prdComPort, 3);
    EXPECT_EQ(doc.Settings().m_prdComPortBaud, 38400);
    EXPECT_EQ(doc.Settings().m_sonarComPort, 1);
    EXPECT_EQ(doc.Settings().m_gridType, 1);
    EXPECT_EQ(doc.Settings().m_viewRangeMark, 1);
    EXPECT_EQ(doc.Settings().m_diagnosticsVisible, 1);
    EXPECT_EQ(doc.Settings().m_circleOffsetX, 500.0);
    EXPECT_EQ(doc.Settings().m_circleOffsetY, 500.0);
    EXPECT_EQ(doc.Settings().m_rangeIndex, 4);
    EXPECT_EQ(doc.Settings().m_gain, 6);
    EXPECT_EQ(doc.Command()[headproto::kCmdTrain], 60);
    EXPECT_EQ(doc.Command()[headproto::kCmdSectorWidth], 120);
    EXPECT_EQ(doc.Command()[headproto::kCmdStepSize], 3);
    EXPECT_EQ(doc.Command()[headproto::kCmdRangeCode], 10);
    EXPECT_EQ(doc.Settings().m_pulseLength, 10);
    EXPECT_EQ(doc.Settings().m_sectorMode, 1);
    EXPECT_EQ(doc.Settings().m_autoSaveFileName, 0);
    EXPECT_EQ(doc.Settings().m_openFileFilterIndex, 0);
    EXPECT_EQ(doc.Run().m_trainBearing, 360);
    EXPECT_EQ(doc.Settings().m_readDirectory, d.dir.Dir());
    // Profile integers keep the constructor's values when the key is missing.
    EXPECT_EQ(doc.Settings().m_pointsColor, 0xFAFAFAu);
    EXPECT_EQ(doc.Settings().m_gridColor, 0x003278u);
}

TEST(SettingsLoad, ClampsAndOddRules) {
    struct Case {
        const char* line;
        std::function<void(const CTubescanDoc&)> check;
    };
    const Case cases[] = {
        {"Speed of Sound=1399.9", [](auto& d) { EXPECT_EQ(d.Settings().m_soundVelocity, 1500.0); }},
        {"Speed of Sound=1600", [](auto& d) { EXPECT_EQ(d.Settings().m_soundVelocity, 1600.0); }},
        {"Speed of Sound=1400", [](auto& d) { EXPECT_EQ(d.Settings().m_soundVelocity, 1400.0); }},
        {"Speed of Sound=1e400", [](auto& d) { EXPECT_EQ(d.Settings().m_soundVelocity, 1500.0); }},
        {"Playback Speed=80", [](auto& d) { EXPECT_EQ(d.Settings().m_playbackSpeed, 50); }},
        {"Playback Speed=-5", [](auto& d) { EXPECT_EQ(d.Settings().m_playbackSpeed, -5); }},
        {"Zoom=0", [](auto& d) { EXPECT_EQ(d.Settings().m_zoom, 1.0); }},
        {"Zoom=-3", [](auto& d) { EXPECT_EQ(d.Settings().m_zoom, 1.0); }},
        {"Zoom=7.5", [](auto& d) { EXPECT_EQ(d.Settings().m_zoom, 3.0); }},
        {"PPMinRange=3.7", [](auto& d) { EXPECT_EQ(d.Settings().m_profileMinRange, 2.5); }},
        {"PPMinRange=-1", [](auto& d) { EXPECT_EQ(d.Settings().m_profileMinRange, 0.0); }},
        {"Pitch Offset=120", [](auto& d) { EXPECT_EQ(d.Settings().m_pitchOffset, 90.0); }},
        {"Roll Offset=-400", [](auto& d) { EXPECT_EQ(d.Settings().m_rollOffset, -90.0); }},
        {"ProfileDispMode=2", [](auto& d) { EXPECT_EQ(d.Display().m_profileMix, 0.25); }},
        {"ProfileDispMode=9",
         [](auto& d) {
             EXPECT_EQ(d.Settings().m_profileDispMode, 9);
             EXPECT_EQ(d.Display().m_profileMix, 1.0);
         }},
        {"AutoSaveFileName=1", [](auto& d) { EXPECT_EQ(d.Settings().m_autoSaveFileName, 1); }},
        {"ColorTable=12", [](auto& d) { EXPECT_EQ(d.Settings().m_colorTable, 12); }},
        {"Output UDP Port=99999999999999",
         [](auto& d) { EXPECT_EQ(d.Settings().m_udpPort, 2147483647); }},
    };
    for (const Case& c : cases) {
        DocInDir d;
        d.Write(std::string("[System Settings]\r\n") + c.line + "\r\n");
        d.Open();
        SCOPED_TRACE(c.line);
        c.check(d.doc);
    }
}

TEST(SettingsLoad, OutOfRangeValuesAreHeldToWhatTheProgramAccepts) {
    // Values a hostile or mistyped file holds: a negative colour, a zoom that
    // would overflow the view's geometry, pipes of -5 m or 1e30 m.
    struct Case {
        const char* line;
        std::function<void(const CTubescanDoc&)> check;
        bool said; // a note on stderr that the value was replaced
    };
    const Case cases[] = {
        {"BKColor=-1", [](auto& d) { EXPECT_EQ(d.Settings().m_bkColor, 0xFFFFFFu); }, false},
        {"PointsColor=-16777216", [](auto& d) { EXPECT_EQ(d.Settings().m_pointsColor, 0u); },
         false},
        {"GridColor=305419896", [](auto& d) { EXPECT_EQ(d.Settings().m_gridColor, 0x345678u); },
         false},
        {"TextColor=99999999999", [](auto& d) { EXPECT_EQ(d.Settings().m_textColor, 0xFFFFFFu); },
         false},
        {"LineColor=9868800", [](auto& d) { EXPECT_EQ(d.Settings().m_lineColor, 9868800u); },
         false},
        {"Zoom=1e7", [](auto& d) { EXPECT_EQ(d.Settings().m_zoom, 3.0); }, false},
        {"Zoom=1e308", [](auto& d) { EXPECT_EQ(d.Settings().m_zoom, 3.0); }, false},
        {"Zoom=0.1", [](auto& d) { EXPECT_EQ(d.Settings().m_zoom, 0.5); }, false},
        {"Zoom=1.75", [](auto& d) { EXPECT_EQ(d.Settings().m_zoom, 1.75); }, false},
        {"HorseShoe Width=-5", [](auto& d) { EXPECT_EQ(d.Settings().m_horseShoeWidth, 1.6); },
         true},
        {"HorseShoe Height=-5", [](auto& d) { EXPECT_EQ(d.Settings().m_horseShoeHeight, 2.0); },
         true},
        {"HorseShoe Width=1e30", [](auto& d) { EXPECT_EQ(d.Settings().m_horseShoeWidth, 1.6); },
         true},
        {"CircleDiameter=1e308", [](auto& d) { EXPECT_EQ(d.Settings().m_circleDiameter, 1.0); },
         true},
        {"CircleDiameter=0.05", [](auto& d) { EXPECT_EQ(d.Settings().m_circleDiameter, 1.0); },
         true},
        {"CircleDiameter=12", [](auto& d) { EXPECT_EQ(d.Settings().m_circleDiameter, 12.0); },
         false},
        {"HorseShoe Height=0.1", [](auto& d) { EXPECT_EQ(d.Settings().m_horseShoeHeight, 0.1); },
         false},
        // A file without the carrier's top speed keeps the default.
        {"Zoom=1", [](auto& d) { EXPECT_EQ(d.Settings().m_carrierTopSpeed, 2.0); }, false},
        {"Carrier Top Speed=0.5", [](auto& d) { EXPECT_EQ(d.Settings().m_carrierTopSpeed, 0.5); },
         false},
        {"Carrier Top Speed=0", [](auto& d) { EXPECT_EQ(d.Settings().m_carrierTopSpeed, 2.0); },
         true},
        {"Carrier Top Speed=-3", [](auto& d) { EXPECT_EQ(d.Settings().m_carrierTopSpeed, 2.0); },
         true},
        {"Carrier Top Speed=1e300", [](auto& d) { EXPECT_EQ(d.Settings().m_carrierTopSpeed, 2.0); },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        DocInDir d;
        d.Write(std::string("[System Settings]\r\n") + c.line + "\r\n");
        testing::internal::CaptureStderr();
        d.Open();
        d.doc.LoadSettings(); // loaded again (as when playback ends): said once only
        const std::string said = testing::internal::GetCapturedStderr();
        c.check(d.doc);
        const std::string key = std::string(c.line).substr(0, std::string(c.line).find('='));
        if (c.said) {
            const auto at = said.find(key);
            ASSERT_NE(at, std::string::npos) << said;
            EXPECT_EQ(said.find(key, at + 1), std::string::npos) << said;
            EXPECT_EQ(d.doc.SettingsNotes().size(), 1u);
        } else {
            EXPECT_EQ(said.find(key), std::string::npos) << said;
        }
        // What is saved is what was used, so the file is mended too.
        ASSERT_TRUE(d.doc.SaveSettings());
        CTubescanDoc back;
        back.OnNewDocument(d.dir.Dir());
        c.check(back);
    }
}

TEST(SettingsLoad, SonarSectionRules) {
    for (const char* mode : {"2", "7", "0"}) {
        DocInDir d;
        d.Write(std::string("[Sonar Settings]\nSector Mode=") + mode + "\n");
        d.Open();
        EXPECT_EQ(d.doc.Settings().m_sectorMode, 1) << mode;
    }
    DocInDir d;
    d.Write("[Sonar Settings]\nRange=0.2\nGain=300\nTrain Polar=90\nSectorWidth Polar=30\n"
            "Step Size=8\nPulse Length=20\nSonar Up/Down=1\n");
    d.Open();
    EXPECT_EQ(d.doc.Command()[headproto::kCmdRangeCode], 2);
    EXPECT_EQ(d.doc.Settings().m_gain, 300 & 0xFF);
    EXPECT_EQ(d.doc.Command()[headproto::kCmdGain], 300 & 0xFF);
    EXPECT_EQ(d.doc.Command()[headproto::kCmdTrain], 90);
    EXPECT_EQ(d.doc.Command()[headproto::kCmdSectorWidth], 30);
    EXPECT_EQ(d.doc.Command()[headproto::kCmdStepSize], 3);
    EXPECT_EQ(d.doc.Command()[headproto::kCmdPulseLength], 20);
    EXPECT_EQ(d.doc.Run().m_trainBearing, 270); // 90 degrees mirrored by the inverted head
}

TEST(SettingsLoad, PlaybackSkipsTheSonarSection) {
    DocInDir d;
    d.Write("[System Settings]\nZoom=2\n[Sonar Settings]\nGain=30\nRange=3\n");
    d.Open();
    d.doc.Run().m_playback = 1;
    d.doc.Settings().m_gain = 7;
    d.Write("[System Settings]\nZoom=3\n[Sonar Settings]\nGain=31\nRange=5\nPitch Offset=4\n");
    d.doc.LoadSettings();
    EXPECT_EQ(d.doc.Settings().m_zoom, 3.0);
    EXPECT_EQ(d.doc.Settings().m_gain, 7);
}

TEST(SettingsLoad, BadFilesNeverCrashAndFallBackToDefaults) {
    std::string garbage;
    for (int i = 0; i < 100000; ++i)
        garbage.push_back(static_cast<char>((i * 7919) & 0xFF));
    const std::string files[] = {
        garbage,
        "[System Settings]\nZoom=" + std::string(5'000'000, '9') + "\n",
        "[System Settings]\nSpeed of "
        "Sound=-1e99999\nCircleDiameter=1e308\nPointSize=-99999999999\n",
    };
    for (const std::string& text : files) {
        DocInDir d;
        d.Write(text);
        d.Open();
        EXPECT_GT(d.doc.Settings().m_zoom, 0.0);
        EXPECT_EQ(d.doc.Settings().m_soundVelocity, 1500.0);
        EXPECT_EQ(d.doc.Settings().m_rangeIndex, 4);
    }
}

TEST(SettingsSave, RoundTripGivesTheSameDocument) {
    DocInDir a;
    a.Open();
    CTubescanDoc& doc = a.doc;
    doc.Settings().m_udpAddress = "127.0.0.1";
    doc.Settings().m_udpPort = 5555;
    doc.Settings().m_zoom = 2.25;
    doc.Settings().m_soundVelocity = 1480.0;
    doc.Settings().m_colorTable = 4;
    doc.Settings().m_bkColor = 0x123456;
    doc.Settings().m_circleOffsetX = 12.3456;
    doc.Settings().m_range = 3.0;
    doc.Settings().m_rangeIndex = 6;
    doc.Settings().m_gain = 22;
    doc.Settings().m_trainPolar = 75;
    doc.Settings().m_sectorWidthPolar = 90;
    doc.Settings().m_pulseLength = 40;
    doc.Settings().m_xdcrFwdAft = 1;
    doc.Settings().m_zeroUpDown = 1;
    doc.Settings().m_profileMinRange = 1.25;
    doc.Settings().m_writeDirectory = "/data/runs/";
    ASSERT_TRUE(doc.SaveSettings());

    CTubescanDoc back;
    back.OnNewDocument(a.dir.Dir());
    EXPECT_EQ(back.Settings().m_udpAddress, "127.0.0.1");
    EXPECT_EQ(back.Settings().m_udpPort, 5555);
    EXPECT_EQ(back.Settings().m_zoom, 2.25);
    EXPECT_EQ(back.Settings().m_soundVelocity, 1480.0);
    EXPECT_EQ(back.Settings().m_colorTable, 4);
    EXPECT_EQ(back.Settings().m_bkColor, 0x123456u);
    EXPECT_DOUBLE_EQ(back.Settings().m_circleOffsetX, 12.3456);
    EXPECT_EQ(back.Command()[headproto::kCmdRangeCode], 30);
    EXPECT_EQ(back.Settings().m_rangeIndex, 6);
    EXPECT_EQ(back.Settings().m_gain, 22);
    EXPECT_EQ(back.Command()[headproto::kCmdTrain], 75);
    EXPECT_EQ(back.Command()[headproto::kCmdSectorWidth], 90);
    EXPECT_EQ(back.Settings().m_pulseLength, 40);
    EXPECT_EQ(back.Settings().m_xdcrFwdAft, 1);
    EXPECT_EQ(back.Settings().m_zeroUpDown, 1);
    EXPECT_EQ(back.Settings().m_profileMinRange, 1.25);
    EXPECT_EQ(back.Settings().m_writeDirectory, "/data/runs/");
    const std::string text = a.dir.Read("TubescanL.INI");
    EXPECT_NE(text.find("CircleOffsetX=   12.3456\r\n"), std::string::npos);
    EXPECT_NE(text.find("Speed of Sound=1480.0\r\n"), std::string::npos);
    EXPECT_NE(text.find("Step Size=3\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Pitch Offset"), std::string::npos);
}

TEST(SettingsSave, KeyOrderIsTheProgramsOrder) {
    DocInDir d;
    d.Open();
    ASSERT_TRUE(d.doc.SaveSettings());
    const std::string text = d.dir.Read("TubescanL.INI");
    const char* order[] = {"[System Settings]", "Sonar Type=1",     "IP Address=",
                           "SonarComPortBaud=", "Speed of Sound=",  "Zoom=1.00",
                           "PPMinRange=0.00",   "[Sonar Settings]", "Range=1.00",
                           "Step Size=3",       "Absorption=170",   "Zero Up/Down="};
    std::size_t pos = 0;
    for (const char* key : order) {
        std::size_t at = text.find(key, pos);
        ASSERT_NE(at, std::string::npos) << key;
        pos = at;
    }
}

TEST(SettingsSave, PlaybackLeavesTheSonarSectionAsItWas) {
    DocInDir d;
    const std::string sonar = "[Sonar Settings]\r\nGain=17\r\nRange=3.00\r\nMy Note=keep\r\n";
    d.Write("[System Settings]\r\nZoom=1.00\r\n" + sonar);
    d.Open();
    d.doc.Run().m_playback = 1;
    d.doc.Settings().m_gain = 40;
    d.doc.Settings().m_zoom = 2.0;
    ASSERT_TRUE(d.doc.SaveSettings());
    const std::string text = d.dir.Read("TubescanL.INI");
    EXPECT_NE(text.find(sonar), std::string::npos);
    EXPECT_NE(text.find("Zoom=2.00\r\n"), std::string::npos);
}

TEST(SettingsSave, WindowsEditedFileKeepsItsExtraLines) {
    DocInDir d;
    d.Write("; Site: north outfall\r\n[system settings]\r\nzoom=2.00\r\n"
            "; operator comment\r\nCalibration Note=do not touch\r\n\r\n"
            "[Vendor Extras]\r\nLicense=ABC-123\r\n[SONAR SETTINGS]\r\ngain=12\r\n");
    d.Open();
    EXPECT_EQ(d.doc.Settings().m_zoom, 2.0);
    EXPECT_EQ(d.doc.Settings().m_gain, 12);
    ASSERT_TRUE(d.doc.SaveSettings());
    const std::string text = d.dir.Read("TubescanL.INI");
    for (const char* kept :
         {"; Site: north outfall\r\n", "; operator comment\r\n",
          "Calibration Note=do not touch\r\n", "[Vendor Extras]\r\nLicense=ABC-123\r\n",
          "[system settings]\r\nZoom=2.00\r\n", "[SONAR SETTINGS]\r\nGain=12\r\n"}) {
        EXPECT_NE(text.find(kept), std::string::npos) << kept;
    }
    // No second copy of a section was appended.
    EXPECT_EQ(text.find("[System Settings]"), std::string::npos);
    EXPECT_EQ(text.find("[Sonar Settings]"), std::string::npos);
}

TEST(SettingsSave, UnwritableFileIsReportedNotIgnored) {
    DocInDir d;
    d.Open();
    d.doc.SetSettingsPath(d.dir.File("missing-folder/TubescanL.INI"));
    EXPECT_FALSE(d.doc.SaveSettings());
    EXPECT_NE(d.doc.LastSettingsError().find("missing-folder"), std::string::npos);
}

TEST(SettingsLoad, SpecialOrOversizedFilesAreRefusedAtOnceSaidAtStartAndNeverOverwritten) {
    // A FIFO used to block start-up, a link to /dev/zero to read until the
    // program ran out of memory, a folder or an oversized file to be noticed
    // only at exit. Each now gives the factory settings at once, a message
    // before anything is contacted, and stays as it was.
    const auto kinds = {"fifo", "zero", "folder", "huge"};
    for (const std::string kind : kinds) {
        DocInDir d;
        const std::string path = d.dir.File("TubescanL.INI");
        int made = 0;
        if (kind == "fifo") made = ::mkfifo(path.c_str(), 0644);
        if (kind == "zero") made = ::symlink("/dev/zero", path.c_str());
        if (kind == "folder") made = ::mkdir(path.c_str(), 0755);
        if (kind == "huge")
            d.Write("[System Settings]\r\nGrid=2\r\n" + std::string(IniFile::kMaxFileSize, ';'));
        ASSERT_EQ(made, 0) << kind;
        d.Open();
        EXPECT_FALSE(d.doc.LastSettingsError().empty()) << kind;
        EXPECT_EQ(d.doc.Settings().m_ipAddress, "192.168.0.5") << kind; // the factory settings
        EXPECT_EQ(d.doc.Settings().m_gridType, 1) << kind;
        EXPECT_FALSE(d.doc.SaveSettings()) << kind;
        struct stat st {};
        ASSERT_EQ(::lstat(path.c_str(), &st), 0) << kind;
        const bool unchanged = kind == "fifo"   ? S_ISFIFO(st.st_mode)
                               : kind == "zero" ? S_ISLNK(st.st_mode)
                               : kind == "folder"
                                   ? S_ISDIR(st.st_mode)
                                   : static_cast<std::size_t>(st.st_size) > IniFile::kMaxFileSize;
        EXPECT_TRUE(unchanged) << kind;
    }
}

TEST(SettingsSave, NeverWritesAFileTheNextStartWouldRefuse) {
    // A file just under the read limit, whose comments leave too little room
    // for the keys a save adds: saving must keep it, not make it unreadable.
    DocInDir d;
    const std::string near = "[System Settings]\r\nIP Address=127.0.0.1\r\n" +
                             std::string(IniFile::kMaxFileSize - 200, ';') + "\r\n";
    d.Write(near);
    d.Open();
    ASSERT_TRUE(d.doc.LastSettingsError().empty()) << d.doc.LastSettingsError();
    ASSERT_EQ(d.doc.Settings().m_ipAddress, "127.0.0.1");
    EXPECT_FALSE(d.doc.SaveSettings());
    EXPECT_NE(d.doc.LastSettingsError().find("left as it is"), std::string::npos)
        << d.doc.LastSettingsError();
    EXPECT_TRUE(d.dir.Read("TubescanL.INI") == near);
    EXPECT_FALSE(std::filesystem::exists(d.dir.File("TubescanL.INI.tmp")));

    // The next start still reads the operator's file, not the factory one.
    CTubescanDoc next;
    next.OnNewDocument(d.dir.Dir());
    EXPECT_TRUE(next.LastSettingsError().empty());
    EXPECT_EQ(next.Settings().m_ipAddress, "127.0.0.1");

    // With room to spare the same file saves as before.
    DocInDir small;
    small.Write("[System Settings]\r\nIP Address=127.0.0.1\r\n");
    small.Open();
    EXPECT_TRUE(small.doc.SaveSettings()) << small.doc.LastSettingsError();
}

TEST(SettingsPath, FallsBackToTheUserFolderWhenTheProgramFolderIsReadOnly) {
    TempDir prog;
    TempDir home;
    EXPECT_EQ(ResolveSettingsPath(prog.Dir()), prog.Dir() + "TubescanL.INI");
    if (::geteuid() == 0) GTEST_SKIP() << "root can write anywhere";
    std::filesystem::permissions(prog.Dir(), std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    ::setenv("XDG_CONFIG_HOME", home.Dir().c_str(), 1);
    EXPECT_EQ(ResolveSettingsPath(prog.Dir()), home.Dir() + "/TubescanL/TubescanL.INI");
    std::filesystem::permissions(prog.Dir(), std::filesystem::perms::owner_all);
}

TEST(SettingsPath, SystemProgramFoldersUseTheUserFolderEvenWhenWritable) {
    // Root can write /usr/bin; an installed program must still not leave its
    // settings file among the system's programs.
    if (std::filesystem::exists("/usr/bin/TubescanL.INI")) GTEST_SKIP() << "a file is there";
    TempDir home;
    ::setenv("XDG_CONFIG_HOME", home.Dir().c_str(), 1);
    const std::string inConfig = home.Dir() + "/TubescanL/TubescanL.INI";
    EXPECT_EQ(ResolveSettingsPath("/usr/bin/"), inConfig);
    EXPECT_EQ(ResolveSettingsPath("/usr/bin"), inConfig);
    EXPECT_EQ(ResolveSettingsPath("/usr/local/bin/"), inConfig);
    EXPECT_TRUE(std::filesystem::is_directory(home.Dir() + "/TubescanL"));
    // A folder that merely contains "bin" in its name is not one of them.
    TempDir prog;
    std::filesystem::create_directories(prog.Dir() + "usr/bin");
    EXPECT_EQ(ResolveSettingsPath(prog.Dir() + "usr/bin/"), prog.Dir() + "usr/bin/TubescanL.INI");
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsSave, BytesOfTheSavedFileStayTheSame) {
    // Every key, in the order operators' files have always had it, with the
    // settings panel open so its rectangle is written too.
    DocInDir d;
    d.Open();
    CTubescanDoc& doc = d.doc;
    DocumentSpy spy(doc);
    spy.panel = WindowRect{-20, 30, 400, 900};
    doc.Settings().m_udpAddress = "127.0.0.1";
    doc.Settings().m_ipAddress = "127.0.0.1";
    doc.Settings().m_udpPort = 5555;
    doc.Settings().m_readDirectory = "/in/";
    doc.Settings().m_writeDirectory = "/out/";
    doc.Settings().m_zoom = 2.345;
    doc.Settings().m_soundVelocity = 1480.25;
    doc.Settings().m_pointsColor = 0xFFFFFFFF;
    doc.Settings().m_circleOffsetX = -12.34567;
    doc.Settings().m_circleOffsetY = 123456.5;
    doc.Settings().m_profileMinRange = 1.255;
    doc.Settings().m_sonarComPortBaud = 9600;
    doc.Settings().m_absorption = 200;
    doc.Settings().m_frequency = 7;
    doc.Settings().m_autoSettings = 1;
    doc.Settings().m_range = 0.75;
    doc.Settings().m_rangeIndex = 3;
    doc.Settings().m_trainSS = 45;
    doc.Settings().m_xdcrFwdAft = 1;
    ASSERT_TRUE(doc.SaveSettings());
    EXPECT_EQ(d.dir.Read("TubescanL.INI"), "[System Settings]\r\n"
                                           "Sonar Type=1\r\n"
                                           "IP Address=127.0.0.1\r\n"
                                           "Output UDP Address=127.0.0.1\r\n"
                                           "Output UDP Port=5555\r\n"
                                           "Enable UDP Output XYZ=1\r\n"
                                           "Enable UDP Output PRD=0\r\n"
                                           "SonarComPort=1\r\n"
                                           "SonarComPortBaud=9600\r\n"
                                           "RTS=0\r\n"
                                           "SendDelay=0\r\n"
                                           "Read File Directory=/in/\r\n"
                                           "Write File Directory=/out/\r\n"
                                           "AutoSaveFileName=0\r\n"
                                           "OpenFileFilterIndex=0\r\n"
                                           "ColorTable=0\r\n"
                                           "Speed of Sound=1480.2\r\n"
                                           "Units=0\r\n"
                                           "ViewRangeMark=1\r\n"
                                           "Grid Style=0\r\n"
                                           "Grid=1\r\n"
                                           "Playback Speed=0\r\n"
                                           "Diagnostics Visible=1\r\n"
                                           "SettingsDlgVisible=1\r\n"
                                           "UseExtPRD=0\r\n"
                                           "EnablePRDInput=0\r\n"
                                           "PRDComPort=3\r\n"
                                           "PRDComPortBaud=38400\r\n"
                                           "ProfileDispMode=0\r\n"
                                           "Zoom=2.35\r\n"
                                           "PointsColor=4294967295\r\n"
                                           "GridColor=12920\r\n"
                                           "BKColor=0\r\n"
                                           "TextColor=14474460\r\n"
                                           "CircleColor=38550\r\n"
                                           "LineColor=9868800\r\n"
                                           "PointSize=0\r\n"
                                           "TextSize=0\r\n"
                                           "Display PRD=0\r\n"
                                           "RollCorrection=0\r\n"
                                           "CircleOffsetX=  -12.3457\r\n"
                                           "CircleOffsetY=123456.5000\r\n"
                                           "CircleDiameter=1.00\r\n"
                                           "HorseShoe Width=1.60\r\n"
                                           "HorseShoe Height=2.00\r\n"
                                           "PipeShape=0\r\n"
                                           "DisplayPipeShape=0\r\n"
                                           "PPMinRange=1.25\r\n"
                                           "Settings Left=-20\r\n"
                                           "Settings Top=30\r\n"
                                           "Settings Right=400\r\n"
                                           "Settings Bottom=900\r\n"
                                           "[Sonar Settings]\r\n"
                                           "Range=0.75\r\n"
                                           "Range Index=3\r\n"
                                           "Gain=6\r\n"
                                           "Train Polar=60\r\n"
                                           "Train Sector=60\r\n"
                                           "Train SS=45\r\n"
                                           "SectorWidth Polar=120\r\n"
                                           "SectorWidth Sector=60\r\n"
                                           "Step Size=3\r\n"
                                           "Sector Mode=1\r\n"
                                           "Auto Settings=1\r\n"
                                           "Frequency=7\r\n"
                                           "Pulse Length=10\r\n"
                                           "Absorption=200\r\n"
                                           "Sonar Up/Down=0\r\n"
                                           "Sonar FWD/AFT=1\r\n"
                                           "Zero Up/Down=0\r\n");
}

TEST(SettingsSave, CrewSurveyValuesKeepLongNamesAndStayOutOfFilesThatHadNone) {
    DocInDir d;
    d.Write("[System Settings]\r\nZoom=1.00\r\n");
    d.Open();
    ASSERT_TRUE(d.doc.SaveSettings());
    EXPECT_EQ(d.dir.Read("TubescanL.INI").find("[Survey Details]"), std::string::npos)
        << "nothing given, nothing added";

    // 100 three-byte signs: over the 255 bytes other values are cut to.
    std::string owner;
    for (int i = 0; i < 100; ++i)
        owner += "\xE2\x82\xAC";
    d.doc.Settings().m_surveyOwner = owner;
    d.doc.Settings().m_surveyInspector = "A. Inspector";
    ASSERT_TRUE(d.doc.SaveSettings());
    CTubescanDoc again;
    ASSERT_TRUE(again.OnNewDocument(d.dir.Dir()));
    EXPECT_EQ(again.Settings().m_surveyOwner, owner);
    EXPECT_EQ(again.Settings().m_surveyInspector, "A. Inspector");
    EXPECT_NE(d.dir.Read("TubescanL.INI").find("[Survey Details]\r\nInspector=A. Inspector\r\n"),
              std::string::npos);
}
