#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "doc/PingBinding.h"

namespace {

using Header = std::array<std::uint8_t, 32>;

Header MakeHeader(int position, int direction, int profileRange = 0, std::uint16_t roll = 0,
                  std::uint16_t pitch = 0, std::uint8_t rangeCode = 10) {
    headproto::ReturnHeader f;
    f.status = 0x21;
    f.headPosition = position;
    f.scanDirection = direction ? 1 : 0;
    f.rangeCode = rangeCode;
    f.profileRange = profileRange;
    f.rollRaw = roll;
    f.pitchRaw = pitch;
    return headproto::EncodeReturnHeader(f);
}

bool Decode(CTubescanDoc& doc, const Header& h) {
    doc.Frame().m_reply.header = h;
    PingWorkspace ws = DocumentWorkspace(doc);
    return DecodeReturnHeader(doc, ws);
}

} // namespace

TEST(HeaderDecoding, FieldsOfAGoodHeader) {
    CTubescanDoc doc;
    ASSERT_TRUE(Decode(doc, MakeHeader(645, 1, 1000)));
    EXPECT_EQ(doc.Frame().m_replySignature, "IMX");
    EXPECT_EQ(doc.Run().m_dataPoints, 250);
    EXPECT_EQ(doc.Frame().m_headId, 16);
    EXPECT_EQ(doc.Frame().m_headStatus, 0x21);
    EXPECT_EQ(doc.Frame().m_headPosition, 645);
    EXPECT_EQ(doc.Run().m_scanDirection, 1);
    EXPECT_EQ(doc.Frame().m_profileRange, 1000);
    EXPECT_EQ(doc.Frame().m_replyDataBytes, 250);
    EXPECT_NEAR(doc.Frame().m_beamAngle, 45 * 0.3, 1e-9);
    EXPECT_EQ(doc.Settings().m_rangeIndex, 4); // from command byte 3 (code 10)
}

TEST(HeaderDecoding, RejectedSignatureChangesOnlyTheSignatureText) {
    CTubescanDoc doc;
    ASSERT_TRUE(Decode(doc, MakeHeader(645, 0, 77)));
    const double angle = doc.Frame().m_beamAngle;
    Header bad = MakeHeader(100, 1, 5);
    bad[0] = 'A';
    bad[1] = 'B';
    bad[2] = 'C';
    EXPECT_FALSE(Decode(doc, bad));
    EXPECT_EQ(doc.Frame().m_replySignature, "ABC");
    EXPECT_EQ(doc.Frame().m_headPosition, 645);
    EXPECT_EQ(doc.Frame().m_profileRange, 77);
    EXPECT_EQ(doc.Frame().m_beamAngle, angle);
    EXPECT_EQ(doc.Frame().m_profileHistory[2].range, 77);
}

TEST(HeaderDecoding, BeamAngleFromPosition) {
    EXPECT_DOUBLE_EQ(BeamAngleFromPosition(600, 0, 0), 0.0);
    EXPECT_NEAR(BeamAngleFromPosition(0, 0, 0), 180.0, 1e-9);
    EXPECT_NEAR(BeamAngleFromPosition(1800, 0, 1), 180.0, 1e-9);
    EXPECT_NEAR(BeamAngleFromPosition(1799, 0, 1), 539.7, 1e-9);
    EXPECT_NEAR(BeamAngleFromPosition(700, 1, 0), 330.0, 1e-9); // inverted head mirrors
    EXPECT_NEAR(BeamAngleFromPosition(900, 0, 0), 90.0, 1e-9);
}

TEST(HeaderDecoding, ScanDirectionHistoryOnlyInRealTime) {
    CTubescanDoc doc;
    doc.Run().m_scanDirection = 1;
    Decode(doc, MakeHeader(600, 0));
    EXPECT_EQ(doc.Run().m_prevScanDirection, 1);
    EXPECT_EQ(doc.Run().m_scanDirection, 0);
    doc.Run().m_playback = 1;
    doc.Run().m_prevScanDirection = 7;
    Decode(doc, MakeHeader(600, 1));
    EXPECT_EQ(doc.Run().m_prevScanDirection, 7);
    EXPECT_EQ(doc.Run().m_scanDirection, 1);
}

TEST(HeaderDecoding, RecordedRangeCodeIsAdoptedOnlyInPlayback) {
    CTubescanDoc doc;
    Decode(doc, MakeHeader(600, 1, 0, 0, 0, 40));
    EXPECT_EQ(doc.Command()[headproto::kCmdRangeCode], 10);
    EXPECT_EQ(doc.Settings().m_rangeIndex, 4);

    doc.Run().m_playback = 1;
    doc.Frame().m_restartLines = 0;
    doc.Frame().m_lines[1].fill(9);
    doc.Frame().m_reply.samples.fill(5);
    Decode(doc, MakeHeader(600, 1, 0, 0, 0, 40));
    EXPECT_EQ(doc.Command()[headproto::kCmdRangeCode], 40);
    EXPECT_EQ(doc.Settings().m_rangeIndex, 7);
    EXPECT_EQ(doc.Frame().m_restartLines, 1);
    EXPECT_EQ(doc.Frame().m_lines[1][0], 0);
    // The ping being decoded keeps its own samples to start the new history.
    EXPECT_EQ(doc.Frame().m_reply.samples[0], 5);
}

TEST(Attitude, SignRulesOffsetsAndClamps) {
    struct Case {
        int fwdAft, zeroUpDown;
        double pitch, roll;
    };
    // Pitch word +2.5, roll word +5.0.
    const Case cases[] = {
        {1, 1, -2.5, 5.0}, {0, 1, 2.5, -5.0}, {1, 0, -2.5, -5.0}, {0, 0, 2.5, 5.0}};
    for (const Case& c : cases) {
        CTubescanDoc doc;
        doc.Settings().m_xdcrFwdAft = c.fwdAft;
        doc.Settings().m_zeroUpDown = c.zeroUpDown;
        Decode(doc, MakeHeader(600, 1, 0, 0x80C8, 0x8064));
        EXPECT_DOUBLE_EQ(doc.Frame().m_pitch, c.pitch) << c.fwdAft << c.zeroUpDown;
        EXPECT_DOUBLE_EQ(doc.Frame().m_roll, c.roll) << c.fwdAft << c.zeroUpDown;
    }
    CTubescanDoc doc;
    doc.Settings().m_pitchOffset = 89.0;
    doc.Settings().m_rollOffset = -1.0;
    Decode(doc, MakeHeader(600, 1, 0, 8191, 0x8064)); // roll word 8191 reads -204.825
    EXPECT_DOUBLE_EQ(doc.Frame().m_pitch, 90.0);
    EXPECT_DOUBLE_EQ(doc.Frame().m_roll, -90.0);
    EXPECT_EQ(doc.Frame().m_rollRaw, 8191);
    EXPECT_EQ(doc.Frame().m_pitchRaw, 0x8064);
}

TEST(Attitude, TwentyPingAveragesAndValidity) {
    CTubescanDoc doc;
    // One ping with the valid bits, then 19 without: valid for the whole window.
    Decode(doc, MakeHeader(600, 1, 0, 0x8000 | 40, 0x8000 | 80)); // roll 1.0, pitch 2.0
    EXPECT_EQ(doc.Frame().m_rollValid, 128);
    EXPECT_EQ(doc.Frame().m_pitchValid, 128);
    for (int i = 0; i < 19; ++i)
        Decode(doc, MakeHeader(600, 1, 0, 40, 80));
    EXPECT_EQ(doc.Frame().m_attitudeCount, 0);
    EXPECT_DOUBLE_EQ(doc.Frame().m_rollAvg, 1.0);
    EXPECT_DOUBLE_EQ(doc.Frame().m_pitchAvg, 2.0);
    EXPECT_EQ(doc.Frame().m_rollValid, 1);
    EXPECT_EQ(doc.Frame().m_pitchValid, 1);
    EXPECT_EQ(doc.Frame().m_rollSum, 0.0);
    // Nothing decreases validity afterwards.
    for (int i = 0; i < 20; ++i)
        Decode(doc, MakeHeader(600, 1, 0, 40, 80));
    EXPECT_EQ(doc.Frame().m_rollValid, 1);
}

TEST(Attitude, RollCorrectionUsesThisPingsRoll) {
    CTubescanDoc doc;
    doc.Settings().m_rollCorrection = 1;
    Decode(doc, MakeHeader(900, 1, 0, 0x8000 | 200, 0)); // roll 5.0, valid
    EXPECT_NEAR(doc.Frame().m_beamAngle, 95.0, 1e-9);
    EXPECT_NEAR(doc.Frame().m_profileHistory[2].bearing, 95.0, 1e-9);

    CTubescanDoc noValid;
    noValid.Settings().m_rollCorrection = 1;
    Decode(noValid, MakeHeader(900, 1, 0, 200, 0)); // not valid: no correction
    EXPECT_NEAR(noValid.Frame().m_beamAngle, 90.0, 1e-9);

    CTubescanDoc ext;
    ext.Settings().m_rollCorrection = 1;
    ext.Settings().m_useExtPRD = 1;
    ext.SetSensors({.roll = -3.0, .rollValid = 2});
    Decode(ext, MakeHeader(900, 1, 0, 0x8000 | 200, 0));
    EXPECT_NEAR(ext.Frame().m_beamAngle, 87.0, 1e-9);
}

TEST(ProfileHistory, KeepsTheLastThreePingsOldestFirst) {
    CTubescanDoc doc;
    Decode(doc, MakeHeader(600, 1, 100));
    Decode(doc, MakeHeader(900, 1, 200));
    Decode(doc, MakeHeader(1200, 1, 300));
    Decode(doc, MakeHeader(600, 1, 400));
    EXPECT_EQ(doc.Frame().m_profileHistory[0].range, 200);
    EXPECT_NEAR(doc.Frame().m_profileHistory[0].bearing, 90.0, 1e-9);
    EXPECT_EQ(doc.Frame().m_profileHistory[1].range, 300);
    EXPECT_NEAR(doc.Frame().m_profileHistory[1].bearing, 180.0, 1e-9);
    EXPECT_EQ(doc.Frame().m_profileHistory[2].range, 400);
}

TEST(EchoLines, RestartFillsAllThreeThenShifts) {
    CTubescanDoc doc;
    PingWorkspace ws = DocumentWorkspace(doc);
    ASSERT_EQ(doc.Frame().m_restartLines, 1);
    doc.Frame().m_reply.samples.fill(11);
    ShiftLines(doc, ws);
    EXPECT_EQ(doc.Frame().m_restartLines, 0);
    for (const auto& l : doc.Frame().m_lines)
        EXPECT_EQ(l[100], 11);
    doc.Frame().m_reply.samples.fill(22);
    ShiftLines(doc, ws);
    doc.Frame().m_reply.samples.fill(33);
    ShiftLines(doc, ws);
    EXPECT_EQ(doc.Frame().m_lines[0][0], 11);
    EXPECT_EQ(doc.Frame().m_lines[1][0], 22);
    EXPECT_EQ(doc.Frame().m_lines[2][0], 33);

    ResetPingHistory(doc, ws);
    EXPECT_EQ(doc.Frame().m_restartLines, 1);
    EXPECT_EQ(doc.Frame().m_lines[2][0], 0);
    EXPECT_EQ(doc.Frame().m_reply.samples[0], 0);
}

TEST(HeaderDecoding, SeparateWorkspacesKeepSeparateHistories) {
    // The acquisition thread and playback each bring their own buffers.
    CTubescanDoc doc;
    std::array<std::uint8_t, 32> header = MakeHeader(600, 1, 123);
    EchoLine line{};
    EchoLines lines{};
    ProfileHistory history{};
    PointOffset offset;
    TrigTables trig;
    PingWorkspace worker{header, line, lines, history, offset, trig};
    ASSERT_TRUE(DecodeReturnHeader(doc, worker));
    EXPECT_EQ(history[2].range, 123);
    EXPECT_EQ(doc.Frame().m_profileHistory[2].range, 0);
    EXPECT_EQ(doc.Frame().m_profileRange, 123);
}
