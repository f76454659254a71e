#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
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
    doc.Settings().m_pitchOffset = 0.5;
    doc.Settings().m_rollOffset = -1.0;
    doc.SetSensors({.pitch = 7.0, .pitchValid = 1});
    ApplyOrientationRecord(doc, *Parse(MakeRecord("x12.3", "-001.5", "+0012.50")), 0.0);
    EXPECT_EQ(doc.Sensors().pitch, 0.0);
    EXPECT_EQ(doc.Sensors().pitchValid, 0);
    EXPECT_EQ(doc.Sensors().roll, -2.5);
    EXPECT_EQ(doc.Sensors().rollValid, 1);
    EXPECT_EQ(doc.Sensors().distance, 12.5);
    InvalidateOrientationValues(doc);
    EXPECT_EQ(doc.Sensors().rollValid + doc.Sensors().distanceValid, 0);
    EXPECT_EQ(doc.Sensors().distance, 12.5);
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
    doc.Settings().m_prdComPort = 10;
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

// A ping between records gets a distance that moves with it: over the
// interval after the newest record the distance runs from the reading before
// to the newest, then holds; an angle is held; a garbled field leaves the
// readings alone.
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
    } cases[] = {{10.0, 5.0},  {10.05, 5.0}, {10.1, 5.0}, {10.15, 5.015},
                 {10.2, 5.03}, {11.0, 5.03}, {9.0, 5.0}};
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

namespace {

orientation::Record DistanceRecord(double metres) {
    orientation::Record r;
    r.distance = {metres, true};
    return r;
}

// The distance every 50 ms from `from` to `to`.
std::vector<double> DistancesBetween(const orientation::Track& track, double from, double to) {
    std::vector<double> out;
    for (double t = from; t <= to + 1e-9; t += 0.05)
        out.push_back(track.At(t, orientation::Track::Distance).value);
    return out;
}

} // namespace

// A sensor that reads 9999.99 for a few polls between 12.50 and 12.60 is
// glitching: the glitch is held at the last distance taken, never carried
// on, and the distance after it is taken again. A head that stops is not
// carried past where it stopped, and no value ever leaves the readings.
TEST(OrientationRecord, TrackHoldsStepsNoCarrierMakesAndNeverOvershoots) {
    orientation::Track track;
    std::vector<bool> taken;
    for (int s = 0; s < 4; ++s)
        taken.push_back(track.Add(s, DistanceRecord(12.50)));
    for (int s = 4; s < 7; ++s)
        taken.push_back(track.Add(s, DistanceRecord(9999.99)));
    taken.push_back(track.Add(7, DistanceRecord(12.60)));
    EXPECT_EQ(taken, (std::vector<bool>{true, true, true, true, false, false, false, true}));
    for (const double d : DistancesBetween(track, 0.0, 7.0)) {
        EXPECT_GE(d, 12.50);
        EXPECT_LE(d, 12.60);
    }
    EXPECT_NEAR(track.At(11.0, orientation::Track::Distance).value, 12.60, 1e-9);

    // Moving 5 cm a poll, then stopped: never past 12.55, never back.
    orientation::Track stop;
    const double readings[] = {12.45, 12.50, 12.55, 12.55, 12.55};
    std::vector<double> seen;
    for (int s = 0; s < 5; ++s) {
        stop.Add(s, DistanceRecord(readings[s]));
        const auto d = DistancesBetween(stop, s, s + 0.95);
        seen.insert(seen.end(), d.begin(), d.end());
    }
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_LE(seen[i], 12.55 + 1e-9) << i;
        if (i > 0) {
            EXPECT_GE(seen[i], seen[i - 1] - 1e-9) << i;
        }
    }
    EXPECT_NEAR(seen.back(), 12.55, 1e-9);

    // The top speed decides: 0.5 m in a second is travel at 2 m/s, a glitch
    // at 0.1 m/s.
    orientation::Track slow;
    slow.Add(0.0, DistanceRecord(1.0), 0.1);
    EXPECT_FALSE(slow.Add(1.0, DistanceRecord(1.5), 0.1));
    EXPECT_TRUE(slow.Add(1.0, DistanceRecord(1.08), 0.1));
    orientation::Track fast;
    fast.Add(0.0, DistanceRecord(1.0));
    EXPECT_TRUE(fast.Add(1.0, DistanceRecord(1.5)));
}

// A counter set back to zero stays there: once the readings have kept to the
// new level on their own for a while it is taken, without a run through the
// distances in between.
TEST(OrientationRecord, TrackTakesANewLevelThatLasts) {
    orientation::Track track;
    track.Add(0.0, DistanceRecord(500.0));
    track.Add(1.0, DistanceRecord(500.1));
    double t = 2.0;
    for (; t < 2.0 + orientation::Track::kRelevelSeconds; t += 1.0)
        EXPECT_FALSE(track.Add(t, DistanceRecord(0.01 * (t - 2.0)))) << t;
    EXPECT_NEAR(track.At(t - 0.5, orientation::Track::Distance).value, 500.1, 1e-9);
    EXPECT_TRUE(track.Add(t, DistanceRecord(0.01 * (t - 2.0))));
    EXPECT_NEAR(track.At(t + 0.5, orientation::Track::Distance).value, 0.01 * (t - 2.0), 1e-9);
}

// Live, a glitching reading leaves the record at the distance it had, still
// valid, and the settings' top speed is the one judged by.
TEST(OrientationInput, ImpossibleDistanceStepIsHeldAtTheSettingsTopSpeed) {
    CTubescanDoc doc;
    doc.Settings().m_enablePRDInput = 1;
    ApplyOrientationRecord(doc, *Parse(MakeRecord("+01.0", "+001.0", "+0012.50")), 1.0);
    ApplyOrientationRecord(doc, *Parse(MakeRecord("+01.0", "+001.0", "+9999.99")), 2.0);
    EXPECT_EQ(doc.Sensors().distance, 12.5);
    EXPECT_EQ(doc.Sensors().distanceValid, 1);
    TakeOrientationAt(doc, 2.5);
    EXPECT_EQ(doc.Sensors().distance, 12.5);
    EXPECT_EQ(doc.Frame().m_pingDistance, 12.5);

    doc.Settings().m_carrierTopSpeed = 0.05;
    ApplyOrientationRecord(doc, *Parse(MakeRecord("+01.0", "+001.0", "+0012.70")), 3.0);
    EXPECT_EQ(doc.Sensors().distance, 12.5);
    doc.Settings().m_carrierTopSpeed = 2.0;
    ApplyOrientationRecord(doc, *Parse(MakeRecord("+01.0", "+001.0", "+0012.70")), 3.1);
    TakeOrientationAt(doc, 5.2);
    EXPECT_NEAR(doc.Sensors().distance, 12.7, 1e-9);

    // What the records carry never steps back while the head goes forward,
    // at a reading's arrival or between readings.
    double last = doc.Sensors().distance;
    for (int poll = 1; poll <= 5; ++poll) {
        const double t = 5.2 + poll;
        char distance[16];
        std::snprintf(distance, sizeof distance, "+%07.2f", 12.7 + 0.4 * poll);
        ApplyOrientationRecord(doc, *Parse(MakeRecord("+01.0", "+001.0", distance)), t);
        for (double ping = t; ping < t + 1.0; ping += 0.1) {
            EXPECT_GE(doc.Sensors().distance, last - 1e-9) << ping;
            last = doc.Sensors().distance;
            TakeOrientationAt(doc, ping);
        }
    }
    EXPECT_NEAR(last, 12.7 + 0.4 * 4.9, 0.01);
}

// A garbled distance keeps its record's 0 and cleared flag, but Z and the
// figures keep the last valid distance; before any valid one the figures
// get none.
TEST(OrientationInput, GarbledDistanceKeepsTheLastValidOne) {
    CTubescanDoc doc;
    doc.Settings().m_enablePRDInput = 1;
    std::vector<analysis::ProfileSample> samples;
    doc.Outputs().SetSampleSink(std::make_shared<FunctionSampleSink>(
        [&](const analysis::ProfileSample& s) { samples.push_back(s); }));
    doc.EmitProfilePoint(100.0, 45.0);
    ApplyOrientationRecord(doc, *Parse(MakeRecord("+01.0", "+001.0", "+0012.50")), 1.0);
    doc.EmitProfilePoint(100.0, 45.0);
    ApplyOrientationRecord(doc, *Parse("$PRD,P+01.0,ROL,+001.0,DST,+00X2.50\r\n"), 2.0);
    EXPECT_EQ(doc.Sensors().distance, 0.0);
    EXPECT_EQ(doc.Sensors().distanceValid, 0);
    TakeOrientationAt(doc, 2.1);
    doc.EmitProfilePoint(100.0, 45.0);
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_TRUE(std::isnan(samples[0].distance));
    EXPECT_FLOAT_EQ(samples[1].distance, 12.5);
    EXPECT_FLOAT_EQ(samples[2].distance, 12.5);
    EXPECT_EQ(doc.Sensors().distanceValid, 0); // the record still says what came in
}
