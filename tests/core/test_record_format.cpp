#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "DataFileFixture.h"
#include "format/RecordFormat.h"

using namespace record;

namespace {

std::span<const std::uint8_t, kSettingsSize> SettingsOf(const Record& r) {
    return std::span<const std::uint8_t, kSettingsSize>(r.data(), kSettingsSize);
}

float FloatAt(const Record& r, std::size_t offset) {
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= static_cast<std::uint32_t>(r[offset + i]) << (8 * i);
    return std::bit_cast<float>(bits);
}

} // namespace

TEST(RecordBytes, LayoutOfAnOrdinaryPing) {
    CTubescanDoc doc;
    doc.Frame().m_date = "07-MAR-2026";
    doc.Frame().m_time = "09:05:03";
    doc.Frame().m_millis = "007";
    doc.Run().m_pingPeriod = 123.456;
    for (std::size_t i = 0; i < 32; ++i)
        doc.Frame().m_reply.header[i] = static_cast<std::uint8_t>(i + 1);
    for (std::size_t i = 0; i < 640; ++i)
        doc.Frame().m_reply.samples[i] = static_cast<std::uint8_t>(200 - i);
    const Record r = BuildRecord(doc);

    EXPECT_EQ(std::memcmp(r.data(), "31L", 3), 0);
    EXPECT_EQ(r[3], 2);
    EXPECT_EQ(BigEndian16(&r[4]), 512);
    EXPECT_EQ(BigEndian16(&r[6]), 283);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&r[8])), "07-MAR-2026");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&r[20])), "09:05:03");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&r[29])), "007");
    EXPECT_EQ(r[80], 0x08);
    EXPECT_EQ(r[81], 0xCA);
    EXPECT_EQ(BigEndian16(&r[82]), 12345);
    // Initial command: gain 6, sector 120, range 10, absorption 170, pulse 10,
    // step 3 (code 2), data width 16 (code 2).
    EXPECT_EQ(r[38], 6);
    EXPECT_EQ(r[39], 120);
    EXPECT_EQ(r[41], 10);
    EXPECT_EQ(r[42], 170);
    EXPECT_EQ(r[44], 10);
    EXPECT_EQ(r[37] & 7, 2);
    EXPECT_EQ(r[43], (2 << 3) | 1);
    EXPECT_EQ(std::memcmp(&r[228], doc.Frame().m_reply.header.data(), 32), 0);
    EXPECT_EQ(std::memcmp(&r[260], doc.Frame().m_reply.samples.data(), 250), 0);
    EXPECT_EQ(r[510], 0xFC);
    EXPECT_EQ(r[511], 0);
    // Unlisted bytes stay zero.
    for (std::size_t i : {19u, 28u, 32u, 33u, 35u, 36u, 45u, 48u, 79u, 84u, 99u, 113u, 227u})
        EXPECT_EQ(r[i], 0) << "byte " << i;
}

TEST(RecordBytes, ModeByteSpeedOfSoundTrainAndOrientation) {
    CTubescanDoc doc;
    doc.SetCommandByte(headproto::kCmdStepSize, 8);
    doc.Settings().m_sectorMode = 1;
    doc.Run().m_scanDirection = 1;
    doc.Settings().m_xdcrFwdAft = 1;
    doc.Settings().m_soundVelocity = 1500.0;
    doc.Run().m_trainBearing = 360;
    doc.SetSensors({.pitch = 1.5,
                    .roll = -2.25,
                    .distance = 12.0,
                    .pitchValid = 1,
                    .rollValid = 1,
                    .distanceValid = 1});
    doc.Settings().m_enablePRDInput = 0;
    Record r = BuildRecord(doc);
    EXPECT_EQ(r[37], 0x8C);
    EXPECT_EQ(r[46], 0xBA);
    EXPECT_EQ(r[47], 0x98);
    EXPECT_EQ(r[40], 120);
    EXPECT_EQ(r[34], 0);
    for (std::size_t i = 100; i <= 112; ++i)
        EXPECT_EQ(r[i], 0) << "byte " << i;

    doc.Run().m_trainBearing = 359;
    doc.Settings().m_xdcrFwdAft = 0;
    doc.Settings().m_enablePRDInput = 1;
    ExternalSensors sensors = doc.Sensors();
    sensors.rollValid = 2; // a value read from a record keeps its bit value
    sensors.distanceValid = 0;
    doc.SetSensors(sensors);
    r = BuildRecord(doc);
    EXPECT_EQ(r[40], 119);
    EXPECT_EQ(r[37], 0x8C | 0x40);
    EXPECT_EQ(r[34], 1);
    EXPECT_EQ(r[100], 0x03);
    EXPECT_EQ(FloatAt(r, 101), 1.5f);
    EXPECT_EQ(FloatAt(r, 105), -2.25f);
    EXPECT_EQ(FloatAt(r, 109), 12.0f);

    // Nonsense numbers give defined bytes, not undefined conversions.
    doc.Settings().m_soundVelocity = std::numeric_limits<double>::quiet_NaN();
    doc.Run().m_pingPeriod = -5.0;
    r = BuildRecord(doc);
    EXPECT_EQ(r[46], 0x80);
    EXPECT_EQ(r[47], 0);
    EXPECT_EQ(BigEndian16(&r[82]), 0);
}

TEST(RecordBytes, StepAndDataWidthCodes) {
    const std::pair<int, int> steps[] = {{1, 0}, {2, 1}, {3, 2}, {4, 3}, {6, 5},
                                         {8, 4}, {5, 0}, {7, 0}, {0, 0}, {200, 0}};
    for (auto [step, code] : steps)
        EXPECT_EQ(StepToCode(step), code) << "step " << step;
    for (int step : {1, 2, 3, 4, 6, 8})
        EXPECT_EQ(CodeToStep(StepToCode(step)), step);
    EXPECT_EQ(CodeToStep(7), 8);
    EXPECT_EQ(DataWidthToCode(4), 0);
    EXPECT_EQ(DataWidthToCode(8), 1);
    EXPECT_EQ(DataWidthToCode(16), 2);
    EXPECT_EQ(DataWidthToCode(32), 0);
}

TEST(RecordBytes, WritingSetsTheMountingFromFwdAft) {
    DataDoc d;
    ASSERT_TRUE(d.doc.OpenRecordFile(d.dir.File("a.31l")));
    d.doc.Settings().m_xdcrFwdAft = 0;
    d.doc.Settings().m_sonarUpDown = 0;
    d.doc.AppendRecord();
    EXPECT_EQ(d.doc.Settings().m_sonarUpDown, 1);
    d.doc.Settings().m_xdcrFwdAft = 1;
    d.doc.AppendRecord();
    EXPECT_EQ(d.doc.Settings().m_sonarUpDown, 0);
}

TEST(RecordReading, SettingsComeBackIntoTheDocument) {
    CTubescanDoc src;
    src.SetCommandByte(headproto::kCmdStepSize, 6);
    src.SetCommandByte(headproto::kCmdGain, 33);
    src.SetCommandByte(headproto::kCmdSectorWidth, 45);
    src.SetCommandByte(headproto::kCmdRangeCode, 30);
    src.SetCommandByte(headproto::kCmdAbsorption, 99);
    src.SetCommandByte(headproto::kCmdPulseLength, 17);
    src.SetCommandByte(headproto::kCmdDataWidth, 8);
    src.Settings().m_sectorMode = 2;
    src.Run().m_scanDirection = 0;
    src.Settings().m_xdcrFwdAft = 0;
    src.Settings().m_zeroUpDown = 1;
    src.Run().m_trainBearing = 271;
    src.Run().m_pingPeriod = 87.65;
    src.Settings().m_enablePRDInput = 1;
    src.SetSensors({.pitch = 3.5,
                    .roll = -1.0,
                    .distance = 101.25,
                    .pitchValid = 0,
                    .rollValid = 1,
                    .distanceValid = 1});
    const Record r = BuildRecord(src);

    CTubescanDoc doc;
    doc.SetCommandByte(headproto::kCmdByte22, 5);
    doc.Run().m_scanDirection = 1;
    const RecordSettings s = DecodeSettings(SettingsOf(r));
    EXPECT_EQ(s.length, 512);
    ApplySettings(doc, s);
    EXPECT_EQ(doc.PlaybackFile().recordLength, 512);
    EXPECT_EQ(doc.Run().m_dataPoints, 250);
    EXPECT_EQ(doc.Run().m_prevScanDirection, 1);
    EXPECT_EQ(doc.Run().m_scanDirection, 0);
    EXPECT_EQ(doc.Settings().m_sonarUpDown, 1);
    EXPECT_EQ(doc.Settings().m_xdcrFwdAft, 0);
    EXPECT_EQ(doc.Settings().m_sectorMode, 2);
    EXPECT_EQ(doc.Command()[headproto::kCmdStepSize], 6);
    EXPECT_EQ(doc.Command()[headproto::kCmdGain], 33);
    EXPECT_EQ(doc.Settings().m_gain, 33);
    EXPECT_EQ(doc.Command()[headproto::kCmdSectorWidth], 45);
    EXPECT_EQ(doc.Run().m_trainBearing, 270); // stored in thirds
    EXPECT_EQ(doc.Command()[headproto::kCmdTrain], headproto::kInitialCommand[11]);
    EXPECT_EQ(doc.Command()[headproto::kCmdRangeCode], 30);
    EXPECT_EQ(doc.Settings().m_rangeIndex, 6);
    EXPECT_EQ(doc.Settings().m_range, 3.0);
    EXPECT_EQ(doc.Settings().m_absorption, 99);
    EXPECT_EQ(doc.Command()[headproto::kCmdDataWidth], 8);
    EXPECT_EQ(doc.Command()[headproto::kCmdByte9], 1);
    EXPECT_EQ(doc.Settings().m_zeroUpDown, 1);
    EXPECT_DOUBLE_EQ(doc.Run().m_pingPeriod, 87.65);
    EXPECT_EQ(doc.Settings().m_pulseLength, 17);
    EXPECT_EQ(doc.Command()[headproto::kCmdByte22], 0);
    EXPECT_EQ(doc.Sensors().pitchValid, 0);
    EXPECT_EQ(doc.Sensors().rollValid, 2);
    EXPECT_EQ(doc.Sensors().distanceValid, 4);
    EXPECT_DOUBLE_EQ(doc.Sensors().roll, -1.0);
    EXPECT_DOUBLE_EQ(doc.Sensors().distance, 101.25);
}

TEST(RecordReading, DateAndMillisecondForms) {
    Record r{};
    auto put = [&](std::size_t at, const char* text) {
        std::memcpy(&r[at], text, std::strlen(text));
    };
    put(8, "07-MAR-2026");
    EXPECT_EQ(DecodeDateText(SettingsOf(r)), "07-MAR-2026");
    // Year written as "19" and the years since 1900.
    put(8, "07-MAR-19126");
    EXPECT_EQ(DecodeDateText(SettingsOf(r)), "07-MAR-2026");
    put(8, "31-DEC-19 99");
    EXPECT_EQ(DecodeDateText(SettingsOf(r)), "31-DEC-1999");
    // Hostile digits never make the date longer than its 11 characters.
    put(8, "07-MAR-99126");
    EXPECT_EQ(DecodeDateText(SettingsOf(r)), "07-MAR-9999");
    put(8, "07-MAR--9126");
    EXPECT_EQ(DecodeDateText(SettingsOf(r)), "07-MAR-0000");

    auto millis = [&](const char* text) {
        std::memset(&r[29], 0, 12);
        put(29, text);
        return DecodeMillisText(SettingsOf(r));
    };
    EXPECT_EQ(millis(""), "000");
    EXPECT_EQ(millis("042"), "042");
    EXPECT_EQ(millis(".12"), "120");
    EXPECT_EQ(millis(" 7 "), "070");
    EXPECT_EQ(millis(".1"), "1");
    EXPECT_EQ(millis("123456789ABC"), "123456789"); // never more than 9 characters
}

TEST(RecordReading, PlayedTimeAndDateAreTheirWidthAndPrintable) {
    Record r{};
    auto put = [&](std::size_t at, const char* text) {
        std::memcpy(&r[at], text, std::strlen(text));
    };
    put(8, "07-MAR-2026");
    put(29, "341");
    struct Case {
        const char* time; // bytes 20 on, byte 28 included
        const char* expected;
    };
    const Case cases[] = {
        {"01:27:19", "01:27:19"},
        {"01:27:195", "01:27:19"}, // byte 28 set: the terminator is missing
        {"01:27:19\xff", "01:27:19"},
        {"01:\x06\xff"
         "7:1",
         "01:??7:1"},
        {"1:2", "1:2"},
    };
    for (const Case& c : cases) {
        std::memset(&r[20], 0, 9);
        put(20, c.time);
        const RecordSettings s = DecodeSettings(SettingsOf(r));
        EXPECT_EQ(s.time, c.expected) << c.time;
        EXPECT_EQ(s.millis, "341");
    }
    // The date is held to the same rule.
    put(8, "07-\x01"
           "AR-2026");
    EXPECT_EQ(DecodeSettings(SettingsOf(r)).date, "07-?AR-2026");
    r[19] = 0;
    put(8, "\x7f"
           "7-MAR-202");
    EXPECT_EQ(DecodeSettings(SettingsOf(r)).date, "?7-MAR-2026");
}

TEST(RecordReading, UnterminatedTextsAndBadNumbersStayBounded) {
    Record r{};
    std::memset(r.data(), 'x', r.size());
    r[19] = 0;
    const RecordSettings s = DecodeSettings(SettingsOf(r));
    EXPECT_EQ(s.date.size(), 11u);
    EXPECT_EQ(s.time.size(), 8u);
    EXPECT_EQ(s.millis.size(), 9u);

    CTubescanDoc doc;
    RecordSettings bad = s;
    bad.sampleCode = 200;
    bad.orientationFlags = 7;
    bad.extPitch = std::numeric_limits<float>::quiet_NaN();
    bad.extRoll = 1.0e30f;
    bad.extDistance = 5.0f;
    ApplySettings(doc, bad);
    EXPECT_EQ(doc.Run().m_dataPoints, 552); // unknown code: left alone
    EXPECT_LE(doc.Frame().m_time.size(), 19u);
    EXPECT_EQ(doc.Sensors().pitchValid, 0);
    EXPECT_EQ(doc.Sensors().pitch, 0.0);
    EXPECT_EQ(doc.Sensors().rollValid, 0);
    EXPECT_EQ(doc.Sensors().distanceValid, 4);
    EXPECT_GE(doc.Settings().m_rangeIndex, 0);
    EXPECT_LE(doc.Settings().m_rangeIndex, 9);
}

// A played record obeys the same rule as a live one: a pitch beyond 90
// degrees flagged valid is no reading, and a cleared distance leaves the
// ping's distance at the last valid one.
TEST(RecordReading, PlayedAnglesFollowTheLiveRule) {
    CTubescanDoc src;
    src.Settings().m_enablePRDInput = 1;
    src.SetSensors({.pitch = 99.9,
                    .roll = 179.0,
                    .distance = 7.5,
                    .pitchValid = 1,
                    .rollValid = 1,
                    .distanceValid = 1});
    CTubescanDoc doc;
    ApplySettings(doc, DecodeSettings(SettingsOf(BuildRecord(src))));
    EXPECT_EQ(doc.Sensors().pitchValid, 0);
    EXPECT_NE(doc.Sensors().rollValid, 0);
    EXPECT_EQ(doc.Frame().m_pingDistance, 7.5);
    ExternalSensors sensors = src.Sensors();
    sensors.distance = 0.0;
    sensors.distanceValid = 0;
    src.SetSensors(sensors);
    ApplySettings(doc, DecodeSettings(SettingsOf(BuildRecord(src))));
    EXPECT_EQ(doc.Sensors().distanceValid, 0);
    EXPECT_EQ(doc.Frame().m_pingDistance, 7.5);
}
