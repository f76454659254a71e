#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "../support/DocumentSpy.h"
#include "TempDir.h"
#include "doc/CommandIds.h"
#include "doc/TubescanDoc.h"
#include "format/XyzFormat.h"

namespace {

std::string C(const char* format, double v) {
    char buf[512];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string SignSpace7(double v) {
    std::string s;
    xyz::AppendSignSpace7(s, v);
    return s;
}

std::string Fixed3(double v) {
    std::string s;
    xyz::AppendFixed3(s, v);
    return s;
}

struct RecordingSink : DatagramSink {
    std::vector<std::string> datagrams;
    void Send(std::string_view bytes) noexcept override { datagrams.emplace_back(bytes); }
};

// Counts the times playback stops its pace.
struct StopCounter : PlaybackClock {
    int stops = 0;
    void Start(int) override {}
    void Stop() override { ++stops; }
};

// A document stamped 07-MAR-2026 09:05:03.007 with a sink on its UDP output.
struct OutputDoc {
    CTubescanDoc doc;
    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
    DocumentSpy spy{doc};
    std::vector<std::string>& messages = spy.messages;
    StopCounter clock;
    OutputDoc() {
        LocalTime t;
        t.year = 2026;
        t.month = 3;
        t.day = 7;
        t.hour = 9;
        t.minute = 5;
        t.second = 3;
        t.millisecond = 7;
        doc.StampTime(t);
        doc.Outputs().Udp().Reset(sink);
        doc.PlaybackFile().SetClock(&clock);
    }
};

} // namespace

TEST(XyzNumbers, MatchTheCLibraryForEveryKindOfValue) {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1.0,
                                  -1.0,
                                  0.0005,
                                  -0.0005,
                                  0.0625,
                                  -0.0625,
                                  1.0625,
                                  -2.4375,
                                  0.1875,
                                  16777216.0,
                                  3.0e9,
                                  9.99e11,
                                  2.5e-4,
                                  999.9995,
                                  1234567.0,
                                  -98765.4321,
                                  1e30,
                                  -3.4e38,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity()};
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> wide(-2000.0f, 2000.0f);
    std::uniform_real_distribution<float> narrow(-0.01f, 0.01f);
    for (int i = 0; i < 2000; ++i) {
        values.push_back(wide(rng));
        values.push_back(narrow(rng));
    }
    for (double v : values) {
        EXPECT_EQ(SignSpace7(v), C("% 7.3f", v)) << v;
        EXPECT_EQ(Fixed3(v), C("%-.3f", v)) << v;
    }
    EXPECT_EQ(SignSpace7(-0.0), " -0.000");
    EXPECT_EQ(SignSpace7(1.0), "  1.000");
    EXPECT_EQ(SignSpace7(std::nan("")), C("% 7.3f", std::nan("")));
}

TEST(XyzPoint, QuarterTurnsAndSpeedOfSound) {
    // Bearing 90 at range 1: straight along X; Y is a negative zero.
    auto p = xyz::ComputeProfilePoint(250, 90, 1, 1, 1500, 0);
    EXPECT_EQ(p.theta, 0.0);
    EXPECT_EQ(p.r, 1.0);
    EXPECT_EQ(p.x, 1.0f);
    EXPECT_EQ(p.y, 0.0f);
    EXPECT_TRUE(std::signbit(p.y));

    // Bearing 0 points down the screen's Y: theta 270, X about 0, Y = r.
    p = xyz::ComputeProfilePoint(250, 0, 1, 1, 1500, 0);
    EXPECT_EQ(p.theta, 270.0);
    EXPECT_NEAR(p.x, 0.0f, 1e-6);
    EXPECT_EQ(p.y, 1.0f);

    // Bearing 450 (zero turned down) folds to theta 0 and to 90 for PRD.
    p = xyz::ComputeProfilePoint(250, 450, 1, 1, 1500, 0);
    EXPECT_EQ(p.theta, 0.0);
    EXPECT_EQ(p.prdBearing, 90.0);
    EXPECT_EQ(xyz::ComputeProfilePoint(250, 359.9, 1, 1, 1500, 0).prdBearing, 359.9);

    // Zoom and range: 500 pixels at zoom 2 on the 3 m range is 3 m.
    EXPECT_EQ(xyz::ComputeProfilePoint(500, 90, 2, 3, 1500, 0).r, 3.0);

    // The speed of sound scales the single-precision nominal range.
    for (double d : {1.0, 37.0, 123.4, 249.9, 250.0}) {
        const auto a = xyz::ComputeProfilePoint(d, 33, 1, 0.75, 1500, 0);
        const auto b = xyz::ComputeProfilePoint(d, 33, 1, 0.75, 1400, 0);
        EXPECT_EQ(a.s, static_cast<float>(d * 0.75 / 250));
        EXPECT_EQ(b.r, static_cast<double>(a.s) * 1400 / 1500);
        EXPECT_NEAR(b.r / a.r, 1400.0 / 1500.0, 1e-12);
    }
    // Z is the sensor's distance through single precision.
    EXPECT_EQ(xyz::ComputeProfilePoint(0, 0, 1, 1, 1500, 12.3456789).z, 12.3456789f);
}

TEST(XyzText, FileLineAndDatagrams) {
    const auto p = xyz::ComputeProfilePoint(250, 90, 1, 1, 1500, 2.5);
    std::string stamp, line;
    xyz::BuildFileStamp(stamp, "07-MAR-2026", "09:05:03", "007");
    xyz::BuildXyzFileLine(line, stamp, p);
    EXPECT_EQ(line, "07-MAR-2026\t09:05:03.007\t  1.000\t -0.000\t  2.500\r\n");

    xyz::BuildDatagramStamp(stamp, "07-MAR-2026", "09:05:03", "007");
    xyz::BuildXyzDatagram(line, stamp, p);
    EXPECT_EQ(line, "07-MAR-2026,09:05:03.007,1.000,-0.000,2.500\r\n");
    xyz::BuildPrdDatagram(line, stamp, -1.25, 3.5, p);
    EXPECT_EQ(line, "07-MAR-2026,09:05:03.007,-1.250,3.500,2.500,1.000,90.000\r\n");

    // A stamp text ends at a NUL, as the C strings of a record do.
    xyz::BuildDatagramStamp(stamp, std::string("01-JAN-2000\0junk", 16), "00:00:00", "000");
    EXPECT_EQ(stamp, "01-JAN-2000,00:00:00.000");
}

TEST(XyzText, DatagramsAreCutToTheirLimitsAndEndInCrLf) {
    const auto p = xyz::ComputeProfilePoint(250, 90, 1, 1, 1500, 0);
    const std::string longStamp(600, 'D');
    std::string d;
    xyz::BuildXyzDatagram(d, longStamp, p);
    ASSERT_EQ(d.size(), 258u);
    EXPECT_EQ(d.substr(0, 256), std::string(256, 'D'));
    EXPECT_EQ(d.substr(256), "\r\n");
    xyz::BuildPrdDatagram(d, longStamp, 0, 0, p);
    ASSERT_EQ(d.size(), 514u);
    EXPECT_EQ(d.substr(512), "\r\n");
    EXPECT_EQ(d.find('\0'), std::string::npos);

    // A huge range (a hostile speed of sound) is printed in full, then cut.
    const auto big = xyz::ComputeProfilePoint(250, 90, 1, 1, 1e307, 0);
    xyz::BuildPrdDatagram(d, std::string(200, 'D'), 0, 0, big);
    EXPECT_EQ(d.size(), 514u);
    EXPECT_NE(d.find(",66666666666666"), std::string::npos);
}

// A conversion formats each line straight into its file's buffer: over many
// buffers' worth of lines, stamps of every length and now and then a number
// only the general conversion can write, the file holds exactly the lines
// built one by one.
TEST(XyzText, LinesWrittenInPlaceAreTheLinesBuiltOneByOne) {
    TempDir dir;
    XyzFile file;
    ASSERT_TRUE(file.Create(dir.File("b.xyz")));
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> distance(0.0, 250.0), bearing(0.0, 720.0),
        along(-5.0, 3000.0);
    std::string expected, stamp, line;
    constexpr int kLines = 20000;
    for (int i = 0; i < kLines; ++i) {
        const double range = i % 97 == 0 ? 1e30 : 6.0;
        const auto p = xyz::ComputeProfilePoint(distance(rng), bearing(rng), 1, range, 1500,
                                                i % 89 == 0 ? 3.0e11 : along(rng));
        xyz::BuildFileStamp(stamp, "07-MAR-2026", i % 3 ? "09:05:03" : "9:5",
                            std::to_string(i % 1000));
        xyz::BuildXyzFileLine(line, stamp, p);
        expected += line;
        file.WriteLine(stamp, p);
    }
    EXPECT_EQ(file.LinesWritten(), static_cast<std::uint64_t>(kLines));
    ASSERT_TRUE(file.Close());
    EXPECT_GT(expected.size(), 4u << 16) << "several buffers' worth";
    EXPECT_EQ(dir.Read("b.xyz"), expected);
}

TEST(XyzOutput, PointsGoToTheEnabledSinksOnly) {
    OutputDoc o;
    auto& doc = o.doc;
    doc.Settings().m_udpXyzEnabled = 1;
    doc.Settings().m_udpPrdEnabled = 0;
    doc.EmitProfilePoint(250, 90);
    ASSERT_EQ(o.sink->datagrams.size(), 1u);
    EXPECT_EQ(o.sink->datagrams[0], "07-MAR-2026,09:05:03.007,1.000,-0.000,0.000\r\n");
    EXPECT_EQ(doc.Outputs().StampText(), "07-MAR-2026,09:05:03.007");

    // Both switches on (a settings file may say so): both datagrams per point.
    doc.Settings().m_udpPrdEnabled = 1;
    doc.Frame().m_pitchAvg = 1.5;
    doc.Frame().m_rollAvg = -2.0;
    doc.Frame().m_pingDistance = 4.25; // the last valid distance is Z
    doc.Settings().m_soundVelocity = 1400;
    doc.EmitProfilePoint(250, 450);
    ASSERT_EQ(o.sink->datagrams.size(), 3u);
    EXPECT_EQ(o.sink->datagrams[1], "07-MAR-2026,09:05:03.007,0.933,-0.000,4.250\r\n");
    EXPECT_EQ(o.sink->datagrams[2], "07-MAR-2026,09:05:03.007,1.500,-2.000,4.250,0.933,90.000\r\n");

    // No socket: nothing is sent and nothing breaks.
    doc.CloseUdpOutput();
    doc.EmitProfilePoint(250, 90);
    EXPECT_EQ(o.sink->datagrams.size(), 3u);
}

TEST(XyzOutput, UdpTogglesExcludeEachOther) {
    CTubescanDoc doc;
    doc.OnUdpOutputCommand(cmd::kUdpXyzOutput);
    EXPECT_TRUE(doc.IsUdpOutputChecked(cmd::kUdpXyzOutput));
    EXPECT_FALSE(doc.IsUdpOutputChecked(cmd::kUdpPrdOutput));
    doc.OnUdpOutputCommand(cmd::kUdpPrdOutput);
    EXPECT_EQ(doc.Settings().m_udpPrdEnabled, 1);
    EXPECT_EQ(doc.Settings().m_udpXyzEnabled, 0);
    doc.OnUdpOutputCommand(cmd::kUdpXyzOutput);
    EXPECT_EQ(doc.Settings().m_udpXyzEnabled, 1);
    EXPECT_EQ(doc.Settings().m_udpPrdEnabled, 0);
    // Turning one off leaves the other off.
    doc.OnUdpOutputCommand(cmd::kUdpXyzOutput);
    EXPECT_EQ(doc.Settings().m_udpXyzEnabled, 0);
    EXPECT_EQ(doc.Settings().m_udpPrdEnabled, 0);
    // Any non-zero value from the settings file counts as on.
    doc.Settings().m_udpPrdEnabled = 5;
    EXPECT_TRUE(doc.IsUdpOutputChecked(cmd::kUdpPrdOutput));
    doc.OnUdpOutputCommand(cmd::kUdpPrdOutput);
    EXPECT_EQ(doc.Settings().m_udpPrdEnabled, 0);
    EXPECT_FALSE(doc.IsUdpOutputChecked(cmd::kUdpAddress));
}

// The .xyz of a pass: what the conversion engine opens, feeds point by
// point and finishes (the menu's messages are the menu's tests').
TEST(XyzConversion, WritesOneLinePerPointOnlyWhileConverting) {
    TempDir dir;
    OutputDoc o;
    auto& doc = o.doc;
    doc.Run().m_playback = 1;
    ASSERT_TRUE(doc.Outputs().StartXyz(dir.File("a.xyz")));
    EXPECT_EQ(doc.Outputs().Converting(), 1);
    doc.EmitProfilePoint(250, 90);
    doc.Frame().m_pingDistance = -12.5;
    doc.EmitProfilePoint(125, 180);
    EXPECT_EQ(doc.Outputs().StampText(), "07-MAR-2026\t09:05:03.007");
    EXPECT_TRUE(doc.Outputs().FinishXyz());
    EXPECT_EQ(doc.Outputs().End(), ConversionEnd::Finished);
    EXPECT_EQ(ConversionEndMessage(doc.Outputs().End(), doc.Outputs().XyzPath()),
              "Conversion Complete!");
    EXPECT_EQ(doc.Outputs().Converting(), 0);
    EXPECT_FALSE(doc.Outputs().Xyz().IsOpen());
    // Points after the end go nowhere.
    doc.EmitProfilePoint(250, 90);
    EXPECT_EQ(dir.Read("a.xyz"), "07-MAR-2026\t09:05:03.007\t  1.000\t -0.000\t  0.000\r\n"
                                 "07-MAR-2026\t09:05:03.007\t  0.000\t -0.500\t-12.500\r\n");
    EXPECT_TRUE(o.messages.empty());
}

TEST(XyzConversion, AFileThatCannotBeCreatedEndsTheConversion) {
    TempDir dir;
    OutputDoc o;
    auto& doc = o.doc;
    doc.Run().m_playback = 1;
    const std::string path = dir.File("missing-folder/a.xyz");
    int error = 0;
    EXPECT_FALSE(doc.Outputs().StartXyz(path, &error));
    EXPECT_EQ(FileErrorReport(path, error), path + " was not found.");
    // No conversion: the points go nowhere and nothing claims a finished file.
    EXPECT_EQ(doc.Outputs().Converting(), 0);
    doc.EmitProfilePoint(250, 90);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(XyzConversion, ANewFileReplacesTheRunningOne) {
    TempDir dir;
    OutputDoc o;
    auto& doc = o.doc;
    // Only playback writes the .xyz: live points are not a conversion's.
    doc.Run().m_playback = 0;
    ASSERT_TRUE(doc.Outputs().StartXyz(dir.File("p.xyz")));
    doc.EmitProfilePoint(250, 90);
    EXPECT_EQ(doc.Outputs().Xyz().LinesWritten(), 0u);
    doc.Run().m_playback = 1;
    ASSERT_TRUE(doc.Outputs().StartXyz(dir.File("a.xyz")));
    doc.EmitProfilePoint(250, 90);
    ASSERT_TRUE(doc.Outputs().StartXyz(dir.File("b.xyz")));
    doc.EmitProfilePoint(250, 90);
    doc.EmitProfilePoint(250, 90);
    EXPECT_TRUE(doc.Outputs().FinishXyz());
    const std::string a = dir.Read("a.xyz");
    EXPECT_EQ(std::count(a.begin(), a.end(), '\n'), 1);
    const std::string b = dir.Read("b.xyz");
    EXPECT_EQ(std::count(b.begin(), b.end(), '\n'), 2);
}

TEST(XyzConversion, AWriteFailureIsNotReportedAsComplete) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    OutputDoc o;
    auto& doc = o.doc;
    doc.Run().m_playback = 1;
    ASSERT_TRUE(doc.Outputs().StartXyz("/dev/full"));
    for (int i = 0; i < 10; ++i)
        doc.EmitProfilePoint(250, 90);
    EXPECT_FALSE(doc.Outputs().FinishXyz());
    EXPECT_EQ(
        ConversionEndMessage(doc.Outputs().End(), "/dev/full").rfind("Error Writing XYZ File!", 0),
        0u);
}

TEST(XyzConversion, ALongPathIsNotCutShort) {
    TempDir dir;
    std::string folder = dir.Dir();
    while (folder.size() < 300)
        folder += std::string(60, 'f') + "/";
    std::filesystem::create_directories(folder);
    OutputDoc o;
    o.doc.Run().m_playback = 1;
    ASSERT_TRUE(o.doc.Outputs().StartXyz(folder + "survey.xyz"));
    o.doc.EmitProfilePoint(250, 90);
    EXPECT_TRUE(o.doc.Outputs().FinishXyz());
    EXPECT_EQ(std::filesystem::file_size(folder + "survey.xyz"), 50u);
}
