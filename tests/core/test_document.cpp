#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "../support/DocumentSpy.h"
#include "../support/LinkStand.h"
#include "TempDir.h"
#include "doc/PingBinding.h"
#include "doc/RecordBinding.h"
#include "doc/TubescanDoc.h"
#include "format/IniFile.h"

TEST(Document, InitialValuesBeforeSettingsAreRead) {
    CTubescanDoc doc;
    EXPECT_EQ(doc.Settings().m_udpAddress, "127.0.0.1");
    EXPECT_EQ(doc.Settings().m_ipAddress, "192.168.0.5");
    EXPECT_EQ(doc.Settings().m_rangeIndex, 3);
    EXPECT_EQ(doc.Run().m_dataPoints, 552);
    EXPECT_EQ(doc.Frame().m_profileRange, -1);
    EXPECT_EQ(doc.Frame().m_restartLines, 1);
    EXPECT_EQ(doc.Command(), headproto::kInitialCommand);
    EXPECT_EQ(doc.Run().m_bearingScale, static_cast<double>(0.3f));
    EXPECT_NE(doc.Run().m_bearingScale, 0.3);
    EXPECT_TRUE(doc.Frame().m_image.empty());
}

TEST(Document, TrigTablesUseTheProgramsPi) {
    CTubescanDoc doc;
    ASSERT_EQ(doc.Trig().cos.size(), 36000u);
    EXPECT_DOUBLE_EQ(doc.Trig().cos[0], 1.0);
    // 90 degrees with pi = 3.1415926 is not exactly zero.
    EXPECT_DOUBLE_EQ(doc.Trig().cos[1800], std::cos(90.0 * 3.1415926 / 180.0));
    EXPECT_NE(doc.Trig().cos[1800], std::cos(M_PI / 2));
    EXPECT_DOUBLE_EQ(doc.Trig().sin[35999], std::sin(35999 * 0.05 * 3.1415926 / 180.0));
}

TEST(TrainBearing, CodesMountingsAndWrap) {
    CTubescanDoc doc;
    auto bearing = [&](int code, int upDown, int zero) {
        doc.SetCommandByte(headproto::kCmdTrain, static_cast<std::uint8_t>(code));
        doc.Settings().m_sonarUpDown = upDown;
        doc.Settings().m_zeroUpDown = zero;
        return doc.ComputeTrainBearing();
    };
    EXPECT_EQ(bearing(60, 0, 0), 360);
    EXPECT_EQ(bearing(0, 0, 0), 180);
    EXPECT_EQ(bearing(120, 0, 0), 180);
    EXPECT_EQ(bearing(90, 0, 0), 90);
    EXPECT_EQ(bearing(90, 1, 0), 270);
    EXPECT_EQ(bearing(60, 0, 1), 180);
    EXPECT_EQ(bearing(90, 1, 1), 90);
    EXPECT_EQ(bearing(61, 0, 0), 3);
    EXPECT_EQ(doc.Run().m_trainBearing, 3);
}

TEST(TimeStamp, TextsOfAKnownInstant) {
    CTubescanDoc doc;
    LocalTime t;
    t.year = 2026;
    t.month = 3;
    t.day = 7;
    t.hour = 9;
    t.minute = 5;
    t.second = 3;
    t.millisecond = 7;
    doc.StampTime(t);
    EXPECT_EQ(doc.Frame().m_date, "07-MAR-2026");
    EXPECT_EQ(doc.Frame().m_time, "09:05:03");
    EXPECT_EQ(doc.Frame().m_millis, "007");
    EXPECT_EQ(doc.Frame().m_autoFileName, "07MAR2026-090503");
    t.month = 12;
    t.day = 31;
    t.hour = 23;
    t.millisecond = 999;
    doc.StampTime(t);
    EXPECT_EQ(doc.Frame().m_date, "31-DEC-2026");
    EXPECT_EQ(doc.Frame().m_millis, "999");
}

TEST(Document, ClearImageWritesBlueGreenRed) {
    CTubescanDoc doc;
    TempDir dir;
    ASSERT_TRUE(doc.OnNewDocument(dir.Dir()));
    ASSERT_EQ(doc.Frame().m_image.size(), 6750000u);
    doc.Settings().m_bkColor = 0x00102030;
    doc.ClearImage();
    for (std::size_t i :
         {std::size_t{0}, std::size_t{3} * 777777, doc.Frame().m_image.size() - 3}) {
        EXPECT_EQ(doc.Frame().m_image[i], 0x10);
        EXPECT_EQ(doc.Frame().m_image[i + 1], 0x20);
        EXPECT_EQ(doc.Frame().m_image[i + 2], 0x30);
    }
}

TEST(Document, SaveModeSettingsPerMode) {
    CTubescanDoc doc;
    doc.SetCommandByte(headproto::kCmdSectorWidth, 33);
    doc.SetCommandByte(headproto::kCmdTrain, 44);
    doc.Settings().m_sectorMode = 0;
    doc.SaveModeSettings();
    EXPECT_EQ(doc.Settings().m_sectorWidthSector, 33);
    EXPECT_EQ(doc.Settings().m_trainSector, 44);
    EXPECT_EQ(doc.Settings().m_sectorWidthPolar, 120);
    doc.Settings().m_sectorMode = 2;
    doc.SetCommandByte(headproto::kCmdTrain, 55);
    doc.SaveModeSettings();
    EXPECT_EQ(doc.Settings().m_trainSS, 55);
    EXPECT_EQ(doc.Settings().m_sectorWidthSector, 33);
}

TEST(Document, ParametersChangedClearsOnRequestAndRedrawsWhenNotConnected) {
    CTubescanDoc doc;
    TempDir dir;
    doc.OnNewDocument(dir.Dir());
    DocumentSpy spy(doc);
    const int& refreshed = spy.parameterRefreshes;
    const int& views = spy.viewUpdates;
    LinkStand link(doc);
    doc.Frame().m_image[0] = 200;
    doc.Frame().m_restartLines = 0;
    doc.Display().m_clearOnChange = 1;
    link.state = LinkState::Up;
    doc.Display().m_redrawAll = 0;
    doc.OnParametersChanged();
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(views, 0);
    EXPECT_EQ(doc.Display().m_redrawAll, 0);
    EXPECT_EQ(doc.Frame().m_image[0], 0);
    EXPECT_EQ(doc.Frame().m_restartLines, 1);
    EXPECT_EQ(doc.Display().m_clearOnChange, 0);

    doc.Frame().m_image[0] = 200;
    link.state = LinkState::Down;
    doc.OnParametersChanged();
    EXPECT_EQ(views, 1);
    EXPECT_EQ(doc.Display().m_redrawAll, 1);
    EXPECT_EQ(doc.Frame().m_image[0], 200); // no clear without the request
}

TEST(Document, CloseRunsEveryShutdownStepAndSavesSettings) {
    TempDir dir;
    CTubescanDoc doc;
    std::string order;
    struct OrderClock : PlaybackClock {
        std::string& order;
        explicit OrderClock(std::string& o) : order(o) {}
        void Start(int) override {}
        void Stop() override { order += "T"; }
    } clock(order);
    doc.PlaybackFile().SetClock(&clock);
    struct Shutdown : DocumentSpy {
        std::string& order;
        Shutdown(CTubescanDoc& d, std::string& o) : DocumentSpy(d), order(o) {}
        void OnCloseLinks() override { order += "L"; }
        void OnCloseComPorts() override { order += "C"; }
        void OnStopWorker() override { order += "W"; }
        void OnDestroyWindows() override { order += "D"; }
    } shutdown(doc, order);
    doc.OnNewDocument(dir.Dir());
    ASSERT_TRUE(doc.OpenRecordFile(dir.File("rec.31l")));
    doc.Settings().m_gain = 33;
    doc.OnCloseDocument();
    EXPECT_EQ(order, "TLCWD");
    EXPECT_EQ(doc.Run().m_closing, 1);
    EXPECT_EQ(doc.Recorder().Active(), false);
    EXPECT_NE(dir.Read("TubescanL.INI").find("Gain=33\r\n"), std::string::npos);
}

TEST(DocumentObservers, EachHearsEveryNotificationInTurnUntilRemoved) {
    CTubescanDoc doc;
    std::string heard;
    struct Named : AttachedObserver {
        std::string& heard;
        char name;
        Named(CTubescanDoc& d, std::string& h, char n) : AttachedObserver(d), heard(h), name(n) {}
        void OnUpdateViews(int hint) override { heard += name + std::to_string(hint); }
        void OnRefreshWindows(bool diagnostics) override { heard += diagnostics ? name : '-'; }
        bool OnMessage(const std::string&) override {
            heard += name;
            return name == 'b';
        }
    };
    // Headless, a message is nobody's: it goes to stderr and says so.
    EXPECT_FALSE(doc.ShowMessage("nobody hears this"));
    {
        Named a(doc, heard, 'a');
        auto b = std::make_unique<Named>(doc, heard, 'b');
        doc.AddObserver(&a); // a second add changes nothing
        doc.UpdateAllViews(5);
        EXPECT_EQ(heard, "a5b5");
        // Each does its own part: one that does not show a message does not
        // keep the next from showing it.
        heard.clear();
        EXPECT_TRUE(doc.ShowMessage("text"));
        EXPECT_EQ(heard, "ab");
        heard.clear();
        b.reset();
        doc.RefreshWindows(true);
        EXPECT_EQ(heard, "a");
        EXPECT_FALSE(doc.ShowMessage("text"));
    }
    heard.clear();
    doc.UpdateAllViews();
    EXPECT_EQ(heard, "");
}

// The status texts, the grid and the attitude panel paint from this copy instead of
// holding the ping lock: every value must come from its own field, and a copy
// taken while the acquisition thread holds the lock must wait for the ping.
TEST(Document, ReadoutCopiesTheCurrentPingUnderThePingLock) {
    CTubescanDoc doc;
    doc.Frame().m_pitchAvg = 1.5;
    doc.Frame().m_rollAvg = -2.25;
    doc.Frame().m_pitchValid = 1;
    doc.Frame().m_rollValid = 0;
    doc.Frame().m_beamAngle = 123.4;
    doc.Frame().m_profileRange = 77;
    doc.StampTime(LocalTime{2026, 3, 7, 9, 5, 3, 12});
    doc.SetSensors({.pitch = 4.5,
                    .roll = -5.5,
                    .distance = 12.75,
                    .pitchValid = 0,
                    .rollValid = 1,
                    .distanceValid = 1});
    // The grid's and the status texts' values.
    doc.Settings().m_zoom = 1.75;
    doc.Run().m_trainBearing = 141;
    doc.SetCommandByte(headproto::kCmdSectorWidth, 33);
    doc.Run().m_pingCount = 4242;

    const PingReadout r = doc.Readout();
    EXPECT_EQ(r.pitchAvg, 1.5);
    EXPECT_EQ(r.rollAvg, -2.25);
    EXPECT_TRUE(r.pitchValid);
    EXPECT_FALSE(r.rollValid);
    EXPECT_EQ(r.beamAngle, 123.4);
    EXPECT_EQ(r.profileRange, 77);
    EXPECT_EQ(r.date, doc.Frame().m_date);
    EXPECT_EQ(r.time, doc.Frame().m_time);
    EXPECT_EQ(r.extPitch, 4.5);
    EXPECT_EQ(r.extRoll, -5.5);
    EXPECT_EQ(r.extDistance, 12.75);
    EXPECT_FALSE(r.extPitchValid);
    EXPECT_TRUE(r.extRollValid);
    EXPECT_TRUE(r.extDistanceValid);
    EXPECT_EQ(r.zoom, 1.75);
    EXPECT_EQ(r.trainBearing, 141);
    EXPECT_EQ(r.sectorWidthCode, 33);
    EXPECT_EQ(r.pingCount, 4242);

    std::atomic<bool> copied{false};
    std::thread reader;
    {
        std::lock_guard lock(doc.PingMutex());
        reader = std::thread([&] {
            const PingReadout late = doc.Readout();
            EXPECT_EQ(late.pitchAvg, 9.0) << "the copy was taken inside the writer's ping";
            copied = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(copied.load());
        doc.Frame().m_pitchAvg = 9.0;
    }
    reader.join();
    EXPECT_TRUE(copied.load());
}

// A failed comparison of whole ping settings names the fields.
static void PrintTo(const PingSettings& s, std::ostream* os) {
    *os << "{playback " << s.playback << ", upDown " << s.sonarUpDown << '/' << s.zeroUpDown
        << ", fwdAft " << s.xdcrFwdAft << ", offsets " << s.pitchOffset << '/' << s.rollOffset
        << ", rollCorrection " << s.rollCorrection << ", useExtPRD " << s.useExtPRD << ", extRoll "
        << s.extRoll << " (" << s.extRollValid << "), zoom " << s.zoom << ", radius "
        << s.imageRadius << ", pulse " << s.pulseLength << ", range " << s.range << ", minRange "
        << s.profileMinRange << ", colours " << s.colorTable << ", mix " << s.profileMix
        << ", profileMode " << s.profileDispMode << ", point " << s.pointSize << '/'
        << s.pointsColor << '}';
}

namespace {

// The settings pings are processed with, as they must be now: built from the
// settings and the display afresh, never from what was taken earlier.
void ExpectCurrentPingSettings(const CTubescanDoc& doc, const char* step) {
    SCOPED_TRACE(step);
    // The settings part built anew, the per-ping part from where it lives.
    PingSettings fresh = PingSettingsOfSettings(doc.Settings());
    fresh.playback = doc.Run().m_playback;
    fresh.extRollValid = doc.Sensors().rollValid;
    fresh.extRoll = doc.Sensors().roll;
    fresh.imageRadius = doc.Display().m_imageRadius;
    fresh.profileMix = doc.Display().m_profileMix;
    EXPECT_EQ(doc.PingSettingsNow(), fresh);
}

} // namespace

TEST(Document, PingSettingsFollowEveryChangeBetweenPings) {
    CTubescanDoc doc;
    doc.Run().m_playback = 1;
    ExpectCurrentPingSettings(doc, "first ping");

    // The operator's changes, between two played pings.
    doc.Settings().m_zoom = 2.5;
    doc.Settings().m_colorTable = 3;
    doc.Settings().m_profileDispMode = 2;
    ExpectCurrentPingSettings(doc, "zoom, colours and profile mode changed");

    // A played record brings its own range, mounting and pulse length; the
    // next record the same again, then another range.
    record::RecordSettings recorded;
    recorded.rangeCode = 40;
    recorded.modeByte = 0x40; // sonar up
    recorded.widthByte = 0x40;
    recorded.pulseLength = 25;
    record::ApplySettings(doc, recorded);
    ASSERT_EQ(doc.Settings().m_range, headproto::kRangeTable[7]);
    ExpectCurrentPingSettings(doc, "a record with another range and mounting");
    record::ApplySettings(doc, recorded);
    ExpectCurrentPingSettings(doc, "the same record settings again");
    // Each value a record carries on its own: a record that changes only one
    // of them must still be played with it.
    const std::pair<void (*)(record::RecordSettings&), const char*> onlyOne[] = {
        {[](record::RecordSettings& r) { r.rangeCode = 6; }, "only the range"},
        {[](record::RecordSettings& r) { r.modeByte = 0; }, "only the mounting"},
        {[](record::RecordSettings& r) { r.widthByte = 0; }, "only the zero reference"},
        {[](record::RecordSettings& r) { r.pulseLength = 9; }, "only the pulse length"},
    };
    for (const auto& [change, what] : onlyOne) {
        change(recorded);
        record::ApplySettings(doc, recorded);
        ExpectCurrentPingSettings(doc, what);
    }

    // Settings read from a file, and the offsets a connect forgets.
    doc.LoadSettings(IniFile::FromText("[System Settings]\r\nZoom=3.0\r\nColorTable=1\r\n"));
    ASSERT_EQ(doc.Settings().m_zoom, 3.0);
    ExpectCurrentPingSettings(doc, "settings loaded");
    doc.Settings().m_pitchOffset = 4.0;
    doc.Settings().m_rollOffset = -2.0;
    ExpectCurrentPingSettings(doc, "offsets set");
    doc.ResetForConnect();
    ExpectCurrentPingSettings(doc, "offsets forgotten");

    // What changes from ping to ping: the sensor's roll and the display.
    ExternalSensors sensors = doc.Sensors();
    sensors.roll = 12.5;
    sensors.rollValid = 1;
    doc.SetSensors(sensors);
    doc.Display().m_imageRadius = 320;
    doc.Display().m_profileMix = 0.5;
    ExpectCurrentPingSettings(doc, "sensor roll and display changed");

    // Live, the window's thread writes settings while pings are processed:
    // whatever it wrote last is what the next ping gets.
    doc.Run().m_playback = 0;
    ExpectCurrentPingSettings(doc, "live");
    doc.SettingsOfThePing().m_zoom = 1.5;
    ExpectCurrentPingSettings(doc, "live, written without notice");
}
