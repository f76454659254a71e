#include <gtest/gtest.h>

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
    doc.m_pitchOffset = 0.5;
    doc.m_rollOffset = -1.0;
    doc.m_extPitch = 7.0;
    doc.m_extPitchValid = 1;
    ApplyOrientationRecord(doc, *Parse(MakeRecord("x12.3", "-001.5", "+0012.50")));
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
    doc.m_prdComPort = 10;
    ASSERT_TRUE(doc.SaveSettings());
    const std::string saved = dir.Read("TubescanL.INI");
    EXPECT_NE(saved.find("PRDComPort=10\r\n"), std::string::npos);
    EXPECT_NE(saved.find("[serial ports]\r\ncom3 = /dev/ttyUSB0\r\nCOM10=/tmp/pty-b\r\n"),
              std::string::npos)
        << saved;
}
