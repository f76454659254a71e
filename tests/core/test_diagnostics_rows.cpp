#include <gtest/gtest.h>

#include "doc/DiagnosticsRows.h"
#include "doc/TubescanDoc.h"

using namespace diag;

namespace {

// What a document shows right after start-up, before any ping.
Source Idle() {
    Source s;
    s.rangeIndex = 3;
    s.gain = 6;
    s.sectorCode = 120;
    s.trainBearing = 180;
    s.frequency = 100;
    s.absorption = 170;
    s.pulseLength = 10;
    s.soundVelocity = 1500.0;
    s.ipAddress = "127.0.0.1";
    s.profileRange = -1;
    return s;
}

std::string Shown(Row row, const Source& s) {
    Rows rows;
    rows.Refresh(s);
    return rows.Text(row);
}

} // namespace

TEST(DiagnosticsRows, PingLinesWaitForAPingThenShowEvenZeroValues) {
    Rows rows;
    Source s = Idle();
    rows.Refresh(s);
    for (Row r : {kHeader, kStatus, kPitch, kRoll, kProfile}) {
        EXPECT_EQ(rows.Text(r), kNotAvailable) << r;
        EXPECT_FALSE(rows.Written(r)) << r;
    }
    EXPECT_EQ(rows.Text(kRange), ":   0.75 m");
    EXPECT_EQ(rows.Text(kGain), ":   6 dB");
    EXPECT_EQ(rows.Text(kSectorSize), ":   360 deg.");
    EXPECT_EQ(rows.Text(kHeadPos), ":   0 ");
    EXPECT_EQ(rows.Text(kFrequency), ":   2.25 MHz");
    EXPECT_EQ(rows.Text(kAbsorption), ":   1.70 dB/m");
    EXPECT_EQ(rows.Text(kSoundV), ":   1500.0 m/s");
    EXPECT_EQ(rows.Text(kIpAddress), ":   127.0.0.1");
    EXPECT_EQ(rows.Text(kPingRate), kNotAvailable);
    EXPECT_TRUE(rows.Refresh(s).empty()) << "nothing changed, nothing rewritten";

    // A ping with status 0, pitch and roll words 0 and a profile range of 0:
    // real values, shown as such.
    s.signature = "IMX";
    s.profileRange = 0;
    const auto changed = rows.Refresh(s);
    EXPECT_EQ(changed, (std::vector<Row>{kHeader, kStatus, kProfile, kPitch, kRoll}));
    EXPECT_EQ(rows.Text(kHeader), ":   IMX");
    EXPECT_EQ(rows.Text(kStatus), ":   0x0");
    EXPECT_EQ(rows.Text(kPitch), ":     0.0 deg.");
    EXPECT_EQ(rows.Text(kProfile), ":   0");

    s.status = 0xff;
    s.rollAvg = -12.34;
    s.signature = std::string("I\x01X", 3);
    rows.Refresh(s);
    EXPECT_EQ(rows.Text(kStatus), ":   0xff");
    EXPECT_EQ(rows.Text(kRoll), ":   -12.3 deg.");
    EXPECT_EQ(rows.Text(kHeader), ":   I.X");

    rows.Reset();
    EXPECT_EQ(rows.Text(kStatus), kNotAvailable);
    EXPECT_FALSE(rows.Written(kStatus));
    EXPECT_EQ(rows.Refresh(s).size(), static_cast<std::size_t>(kRowCount - 2)); // rates unchanged
}

TEST(DiagnosticsRows, RangeInFeetAndAnyStoredIndexStaysInTheTable) {
    Source s = Idle();
    s.rangeIndex = 0;
    EXPECT_EQ(Shown(kRange, s), ":   0.125 m");
    s.units = 1;
    EXPECT_EQ(Shown(kRange, s), ":   0.375 ft");
    s.units = 2;
    s.rangeIndex = 9;
    EXPECT_EQ(Shown(kRange, s), ":   18.00 ft");
    s.units = 0;
    s.rangeIndex = 42;
    EXPECT_EQ(Shown(kRange, s), ":   6.00 m");
    s.rangeIndex = -7;
    EXPECT_EQ(Shown(kRange, s), ":   0.125 m");
}

TEST(DiagnosticsRows, RatesAndWhatPlaybackLeavesAlone) {
    Source s = Idle();
    s.pingPeriod = 66.7;
    s.loopTime = 66.4;
    Rows rows;
    rows.Refresh(s);
    EXPECT_EQ(rows.Text(kPingRate), ":   67 ms (14 Hz)");
    EXPECT_EQ(rows.Text(kLoopTime), ":   66 ms ");
    s.pingPeriod = 1e-300; // no overflow on a nonsense period
    EXPECT_EQ(Shown(kPingRate, s), ":   0 ms (1000000000 Hz)");

    s.sendDelay = 250;
    rows.Refresh(s);
    s.playback = true;
    s.sendDelay = 0;
    s.ipAddress = "127.0.0.9";
    rows.Refresh(s);
    EXPECT_EQ(rows.Text(kSendDelay), ":   250 usec");
    EXPECT_EQ(rows.Text(kIpAddress), ":   127.0.0.1");
    s.playback = false;
    s.sonarType = 0;
    EXPECT_EQ(Shown(kIpAddress, s), kNotAvailable);
}

TEST(DiagnosticsRows, ProfileLineFollowsThePingLastProcessed) {
    CTubescanDoc doc;
    doc.Frame().m_profileRange = 1234;
    doc.Frame().m_profileHistory[0].range = 7; // the history lags behind
    doc.Settings().m_rangeIndex = 5;
    doc.SetCommandByte(headproto::kCmdSectorWidth, 30);
    const Source s = ReadSource(doc);
    EXPECT_EQ(s.profileRange, 1234);
    EXPECT_EQ(Shown(kProfile, s), ":   1234");
    EXPECT_EQ(Shown(kSectorSize, s), ":   90 deg.");
}
