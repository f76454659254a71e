#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TempDir.h"
#include "doc/ComPorts.h"
#include "doc/TubescanDoc.h"
#include "format/OrientationRecord.h"

namespace {

std::optional<orientation::Record> Parse(const std::string& bytes) {
    return orientation::ParseOrientationBuffer(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

// "$", five fillers, pitch, five fillers, roll, five fillers, distance, two fillers.
std::string MakeRecord(const std::string& pitch, const std::string& roll,
                       const std::string& distance) {
    return "$xxxxx" + pitch + "yyyyy" + roll + "zzzzz" + distance + "\r\n";
}

} // namespace

TEST(OrientationRecord, EachFieldIsCheckedOnItsOwn) {
    const auto good = Parse("noise" + MakeRecord("+12.3", "-001.5", "+0012.50"));
    ASSERT_TRUE(good);
    EXPECT_TRUE(good->pitch.valid && good->roll.valid && good->distance.valid);
    EXPECT_EQ(good->pitch.value, 12.3);
    EXPECT_EQ(good->roll.value, -1.5);
    EXPECT_EQ(good->distance.value, 12.5);

    // One bad character in each position of each field spoils only that field.
    const struct {
        std::string pitch, roll, distance;
        bool pitchOk, rollOk, distanceOk;
    } cases[] = {
        {"112.3", "-001.5", "+0012.50", false, true, true},
        {"+1x.3", "+179.9", "-9999.99", false, true, true},
        {"+12,3", "+000.0", "+0000.00", false, true, true},
        {"-00.0", "+17.95", "+0001.25", true, false, true},
        {"+89.9", " 001.5", "+0001.25", true, false, true},
        {"+89.9", "-001.5", "+0001.2 ", true, true, false},
        {"+89.9", "-001.5", "+00012.5", true, true, false},
    };
    for (const auto& c : cases) {
        const auto r = Parse(MakeRecord(c.pitch, c.roll, c.distance));
        ASSERT_TRUE(r) << c.pitch << c.roll << c.distance;
        EXPECT_EQ(r->pitch.valid, c.pitchOk) << c.pitch;
        EXPECT_EQ(r->roll.valid, c.rollOk) << c.roll;
        EXPECT_EQ(r->distance.valid, c.distanceOk) << c.distance;
        if (!c.pitchOk) {
            EXPECT_EQ(r->pitch.value, 0.0);
        }
        if (!c.rollOk) {
            EXPECT_EQ(r->roll.value, 0.0);
        }
        if (!c.distanceOk) {
            EXPECT_EQ(r->distance.value, 0.0);
        }
    }
    EXPECT_EQ(Parse(MakeRecord("-00.1", "-179.9", "-9999.99"))->distance.value, -9999.99);
}

TEST(OrientationRecord, OnlyAFullyReadRecordCounts) {
    const std::string record = MakeRecord("+12.3", "-001.5", "+0012.50");
    EXPECT_FALSE(Parse(""));
    EXPECT_FALSE(Parse(std::string(1024, 'x')));
    EXPECT_FALSE(Parse(record.substr(0, 36)));
    // A zero byte ends what was read, even when more follows.
    std::string zero = record;
    zero[20] = '\0';
    EXPECT_FALSE(Parse(zero + record));
    // The first "$" decides, even when a complete record follows it.
    EXPECT_FALSE(Parse("$" + std::string(10, '\0') + record));

    // In a full 1,024-byte read a record can start at index 987 at the latest;
    // a "$" after that must not make the parser look past the read.
    for (std::size_t at : {987u, 988u, 999u, 1000u, 1023u}) {
        std::string buffer(1024, 'x');
        const std::string head = record.substr(0, std::min(record.size(), 1024 - at));
        buffer.replace(at, head.size(), head);
        const std::vector<std::uint8_t> exact(buffer.begin(), buffer.end());
        EXPECT_EQ(orientation::ParseOrientationBuffer(exact).has_value(), at == 987) << at;
    }
    // Nothing but "$": complete, every field malformed.
    const auto dollars = Parse(std::string(37, '$'));
    ASSERT_TRUE(dollars);
    EXPECT_FALSE(dollars->pitch.valid || dollars->roll.valid || dollars->distance.valid);
}

TEST(OrientationInput, RecordsLandInTheDocumentWithTheOffsets) {
    CTubescanDoc doc;
    doc.m_settings.m_pitchOffset = 0.5;
    doc.m_settings.m_rollOffset = -1.0;
    doc.m_extPitch = 7.0;
    doc.m_extPitchValid = 1;
    ApplyOrientationRecord(doc, *Parse(MakeRecord("x12.3", "-001.5", "+0012.50")), 0.0);
    EXPECT_EQ(doc.m_extPitch, 0.0);
    EXPECT_EQ(doc.m_extPitchValid, 0);
    EXPECT_EQ(doc.m_extRoll, -2.5);
    EXPECT_EQ(doc.m_extRollValid, 1);
    EXPECT_EQ(doc.m_extDistance, 12.5);
    InvalidateOrientationValues(doc);
    EXPECT_EQ(doc.m_extRollValid + doc.m_extDistanceValid, 0);
    EXPECT_EQ(doc.m_extDistance, 12.5);
}

TEST(ComPortNumbers, NameDevicesThroughTheSettingsFile) {
    TempDir dir;
    dir.Write("TubescanL.INI", "[System Settings]\r\nPRDComPort=3\r\n; kept\r\n"
                               "[serial ports]\r\ncom3 = /dev/ttyUSB0\r\nCOM10=/tmp/pty-b\r\n"
                               "COM12=\r\n");
    const IniFile ini = IniFile::Load(dir.File("TubescanL.INI"));
    EXPECT_EQ(SerialDeviceForPort(ini, 3).path, "/dev/ttyUSB0");
    EXPECT_TRUE(SerialDeviceForPort(ini, 3).named);
    EXPECT_EQ(SerialDeviceForPort(ini, 1).path, "/dev/ttyS0");
    EXPECT_EQ(SerialDeviceForPort(ini, 12).path, "/dev/ttyS11");
    EXPECT_FALSE(SerialDeviceForPort(ini, 12).named);
    EXPECT_EQ(SerialDeviceForPort(ini, 0).path, "");

    // Listed as text sorts COM10 before COM2; entries read back as numbers.
    const auto entries = ComPortEntries(
        ini, [](const SerialDevice& d) { return d.named || d.path == "/dev/ttyS1"; });
    EXPECT_EQ(entries, (std::vector<std::string>{"COM10 (/tmp/pty-b)", "COM2 (/dev/ttyS1)",
                                                 "COM3 (/dev/ttyUSB0)"}));
    EXPECT_EQ(ParseComEntry(entries[0]), 10);
    EXPECT_EQ(ParseComEntry("COMx"), std::nullopt);
    EXPECT_EQ(ParseComEntry("LPT1"), std::nullopt);
    EXPECT_EQ(BaudIndexOf(38400), 3);
    EXPECT_EQ(BaudIndexOf(14400), 0);
    EXPECT_EQ(BaudOfIndex(5), 115200);
    EXPECT_EQ(BaudOfIndex(6), 4800);

    // Saving the settings keeps the section the program does not own.
    CTubescanDoc doc;
    ASSERT_TRUE(doc.OnNewDocument(dir.Dir()));
    doc.m_settings.m_prdComPort = 10;
    ASSERT_TRUE(doc.SaveSettings());
    const std::string saved = dir.Read("TubescanL.INI");
    EXPECT_NE(saved.find("PRDComPort=10\r\n"), std::string::npos);
    EXPECT_NE(saved.find("[serial ports]\r\ncom3 = /dev/ttyUSB0\r\nCOM10=/tmp/pty-b\r\n"),
              std::string::npos)
        << saved;
}

// One rule for the angles wherever a record is parsed: a pitch beyond 90
// degrees or a roll beyond 180 is made of digits but is no reading.
TEST(OrientationRecord, AnglesOutOfRangeAreNoReading) {
    const auto wild = Parse("$PRD,P+99.9,ROL,+999.9,DST,+9999.99\r\n");
    ASSERT_TRUE(wild);
    EXPECT_FALSE(wild->pitch.valid);
    EXPECT_FALSE(wild->roll.valid);
    EXPECT_TRUE(wild->distance.valid);
    EXPECT_EQ(wild->distance.value, 9999.99);
    const struct {
        std::string pitch, roll;
        bool pitchOk, rollOk;
    } cases[] = {{"+90.0", "+180.0", true, true},
                 {"-90.0", "-180.0", true, true},
                 {"+90.1", "+180.1", false, false},
                 {"-90.1", "-180.1", false, false}};
    for (const auto& c : cases) {
        const auto r = Parse(MakeRecord(c.pitch, c.roll, "+0001.00"));
        ASSERT_TRUE(r);
        EXPECT_EQ(r->pitch.valid, c.pitchOk) << c.pitch;
        EXPECT_EQ(r->roll.valid, c.rollOk) << c.roll;
    }
}

// The newest complete record counts, and a record still arriving waits.
TEST(OrientationRecord, NewestCompleteRecordIsTaken) {
    const std::string bytes = MakeRecord("+01.0", "+001.0", "+0001.00") +
                              MakeRecord("+02.0", "+002.0", "+0002.00") + "$PRD,P+03";
    std::size_t end = 0;
    const auto r = orientation::ParseNewestOrientationRecord(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), &end);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->distance.value, 2.0);
    EXPECT_EQ(end, 2 * orientation::kRecordLength);
}

// A ping between records gets the distance at its own time; past the newest
// record the distance goes on along the last slope for one interval at most,
// an angle is held, and a garbled field leaves the readings alone.
TEST(OrientationRecord, TrackGivesTheValueAtThePingsTime) {
    orientation::Track track;
    EXPECT_FALSE(track.At(0.0, orientation::Track::Distance).valid);
    const auto record = [](double pitch, double distance, bool distanceOk) {
        orientation::Record r;
        r.pitch = {pitch, true};
        r.distance = {distanceOk ? distance : 0.0, distanceOk};
        return r;
    };
    track.Add(10.0, record(1.0, 5.0, true));
    EXPECT_EQ(track.At(9.0, orientation::Track::Distance).value, 5.0);
    track.Add(10.1, record(2.0, 5.03, true));
    track.Add(10.2, record(9.0, 0.0, false)); // garbled distance
    const struct {
        double t, distance;
    } cases[] = {{10.0, 5.0},  {10.05, 5.015}, {10.1, 5.03}, {10.15, 5.045},
                 {10.2, 5.06}, {11.0, 5.06},   {9.0, 5.0}};
    for (const auto& c : cases) {
        const orientation::Field f = track.At(c.t, orientation::Track::Distance);
        EXPECT_TRUE(f.valid);
        EXPECT_NEAR(f.value, c.distance, 1e-9) << c.t;
    }
    // A step in pitch is never overshot: between readings it is interpolated,
    // past the newest it is held.
    EXPECT_NEAR(track.At(10.15, orientation::Track::Pitch).value, 5.5, 1e-9);
    EXPECT_NEAR(track.At(10.25, orientation::Track::Pitch).value, 9.0, 1e-9);
    EXPECT_NEAR(track.At(10.5, orientation::Track::Pitch).value, 9.0, 1e-9);
    EXPECT_FALSE(track.At(10.0, orientation::Track::Roll).valid);
}

// A garbled distance keeps its record's 0 and cleared flag, but Z and the
// figures keep the last valid distance; before any valid one the figures
// get none.
TEST(OrientationInput, GarbledDistanceKeepsTheLastValidOne) {
    CTubescanDoc doc;
    doc.m_settings.m_enablePRDInput = 1;
    std::vector<analysis::ProfileSample> samples;
    doc.m_outputs.SetSampleSink(std::make_shared<FunctionSampleSink>(
        [&](const analysis::ProfileSample& s) { samples.push_back(s); }));
    doc.EmitProfilePoint(100.0, 45.0);
    ApplyOrientationRecord(doc, *Parse(MakeRecord("+01.0", "+001.0", "+0012.50")), 1.0);
    doc.EmitProfilePoint(100.0, 45.0);
    ApplyOrientationRecord(doc, *Parse("$PRD,P+01.0,ROL,+001.0,DST,+00X2.50\r\n"), 2.0);
    EXPECT_EQ(doc.m_extDistance, 0.0);
    EXPECT_EQ(doc.m_extDistanceValid, 0);
    TakeOrientationAt(doc, 2.1);
    doc.EmitProfilePoint(100.0, 45.0);
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_TRUE(std::isnan(samples[0].distance));
    EXPECT_FLOAT_EQ(samples[1].distance, 12.5);
    EXPECT_FLOAT_EQ(samples[2].distance, 12.5);
    EXPECT_EQ(doc.m_extDistanceValid, 0); // the record still says what came in
}
