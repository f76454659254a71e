// The orientation input over a pseudo-terminal pair: the sensor's records
// reach the document, the recording and the datagrams; bad fields and a
// vanished port are survived. The head is tubescan-sim on 127.0.0.1.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "../core/TempDir.h"
#include "../support/DocumentSpy.h"
#include "../support/LinkStand.h"
#include "../support/PtyPair.h"
#include "../support/SimProcess.h"
#include "app/StatusText.h"
#include "doc/ComPorts.h"
#include "doc/TubescanDoc.h"
#include "format/IniFile.h"
#include "format/RecordFormat.h"
#include "link/SerialPorts.h"
#include "link/SonarHost.h"
#include "link/UdpOutput.h"

namespace {

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

std::string Settings(const PtyPair& pty, const std::string& extra) {
    return "[System Settings]\r\nIP Address=127.0.0.1\r\nOutput UDP Address=127.0.0.1\r\n"
           "EnablePRDInput=1\r\nPRDComPort=9\r\nPRDComPortBaud=38400\r\nUseExtPRD=1\r\n" +
           extra + "[Serial Ports]\r\nCOM9=" + pty.ProgramEnd() + "\r\nCOM30=" + pty.ProgramEnd() +
           "-absent\r\nCOM31=" + pty.ProgramEnd() + "-absent\r\n";
}

// The numbers after the time stamp of a datagram.
std::vector<double> Numbers(const std::string& datagram) {
    std::vector<double> v;
    for (std::size_t at = datagram.find(',', 12); at != std::string::npos;
         at = datagram.find(',', at + 1))
        v.push_back(std::atof(datagram.c_str() + at + 1));
    return v;
}

} // namespace

TEST(SerialPorts, SensorValuesReachDocumentRecordingAndDatagrams) {
    TempDir dir;
    PtyPair pty(dir.Dir());
    ASSERT_TRUE(pty.Ready()) << "socat did not make the pseudo-terminal pair";
    SimProcess sim({"--prd-device", QString::fromStdString(pty.SensorEnd()), "--prd-interval", "50",
                    "--travel-speed", "0.5", "--delay", "50"});
    ASSERT_NE(sim.Port(), 0);
    QUdpSocket listener;
    ASSERT_TRUE(listener.bind(QHostAddress::LocalHost, 0));
    listener.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 8 << 20);
    dir.Write("TubescanL.INI",
              Settings(pty, "Output UDP Port=" + std::to_string(listener.localPort()) +
                                "\r\nEnable UDP Output XYZ=1\r\nEnable UDP Output PRD=1\r\n"));

    CTubescanDoc doc;
    auto host = std::make_unique<SonarHost>(doc);
    auto serial = std::make_unique<SerialPorts>(doc);
    QObject::connect(&host->Link(), &HeadLink::sensorPollDue, serial.get(),
                     &SerialPorts::PollOrientationSensor);
    QObject::connect(host.get(), &SonarHost::headLinkStarted, serial.get(), [&] {
        if (doc.Settings().m_enablePRDInput) serial->OpenOrientationPort();
    });
    UdpOutputMaker udpMaker(doc);
    doc.OnNewDocument(dir.Dir());
    host->SetHeadPort(sim.Port());
    host->OnConnectToSonarHead();
    ASSERT_TRUE(serial->OrientationPortOpen());
    ASSERT_TRUE(doc.OpenRecordFile(dir.File("run.31l")));

    // The program's own list offers the named pseudo-terminal.
    const auto entries = AvailableComPortEntries(doc.SettingsPath());
    EXPECT_NE(std::find(entries.begin(), entries.end(), "COM9 (" + pty.ProgramEnd() + ")"),
              entries.end());

    // The head answers all the time (its watchdog stays quiet) and slowly (a
    // 100th ping is seconds away): the port's own timer keeps the distance fresh.
    std::vector<std::string> received;
    ASSERT_TRUE(WaitFor(
        [&] {
            while (listener.hasPendingDatagrams())
                received.push_back(listener.receiveDatagram().data().toStdString());
            // ... and the points computed since carry it as Z.
            return serial->Polls() >= 3 && doc.Sensors().distance > 1.0 && !received.empty() &&
                   std::abs(Numbers(received.back()).at(2) - doc.Sensors().distance) < 0.0005;
        },
        15000))
        << "polls " << serial->Polls() << ", distance " << doc.Sensors().distance;
    const auto& counters = host->Link().GetCounters();
    EXPECT_GT(serial->Polls(), counters.records / 100 + counters.watchdogTicks);
    EXPECT_EQ(doc.Sensors().pitchValid + doc.Sensors().rollValid + doc.Sensors().distanceValid, 3);
    EXPECT_EQ(FormatStatusPanes(doc, {}).distance.back(), 'm');
    doc.OnCloseDocument();
    serial.reset();
    host.reset();

    // Every record carries the input flag and the three values; the distance
    // grows from record to record.
    const std::string file = dir.Read("run.31l");
    ASSERT_GE(file.size(), 10 * record::kRecordSize);
    float first = -1.0f, last = -1.0f;
    for (std::size_t at = 0; at + record::kRecordSize <= file.size(); at += record::kRecordSize) {
        const auto* r = reinterpret_cast<const std::uint8_t*>(file.data() + at);
        ASSERT_EQ(r[34], 1);
        float distance = 0.0f;
        std::memcpy(&distance, r + 109, sizeof distance);
        if (r[100] == 0) continue; // before the first complete record
        ASSERT_EQ(r[100], 7) << "record " << at / record::kRecordSize;
        ASSERT_GE(distance, last);
        if (first < 0.0f) first = distance;
        last = distance;
    }
    EXPECT_GT(last, first);

    // Both datagram forms carry the distance as Z.
    double lastZ = -1.0;
    int xyz = 0, prd = 0;
    for (const std::string& d : received) {
        const auto v = Numbers(d);
        ASSERT_TRUE(v.size() == 3 || v.size() == 5) << d;
        const double z = v[2]; // x, y, Z or pitch, roll, Z, range, bearing
        (v.size() == 3 ? xyz : prd)++;
        EXPECT_GE(z, lastZ - 1e-9) << d;
        lastZ = z;
    }
    EXPECT_GT(xyz, 10);
    EXPECT_GT(prd, 10);
    EXPECT_GT(lastZ, 1.0);
}

TEST(SerialPorts, BadFieldsAndAVanishedPortAreSurvived) {
    TempDir dir;
    PtyPair pty(dir.Dir());
    ASSERT_TRUE(pty.Ready());
    dir.Write("TubescanL.INI", Settings(pty, "Roll Offset=1.0\r\n"));
    CTubescanDoc doc;
    SerialPorts serial(doc);
    DocumentSpy spy(doc);
    std::vector<std::string>& messages = spy.messages;
    doc.OnNewDocument(dir.Dir());
    ASSERT_TRUE(serial.OpenOrientationPort());

    // A pitch field with a digit where its sign belongs: roll and distance
    // still arrive.
    QFile sensor(QString::fromStdString(pty.SensorEnd()));
    ASSERT_TRUE(sensor.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    ASSERT_TRUE(WaitFor(
        [&] {
            sensor.write("$PRD,P112.3,ROL,-001.5,DST,+0012.50\r\n");
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            serial.PollOrientationSensor();
            return doc.Sensors().rollValid == 1;
        },
        5000));
    EXPECT_EQ(doc.Sensors().pitchValid, 0);
    EXPECT_EQ(doc.Sensors().pitch, 0.0);
    EXPECT_DOUBLE_EQ(doc.Sensors().roll, -0.5);
    EXPECT_EQ(doc.Sensors().distance, 12.5);
    EXPECT_EQ(FormatStatusPanes(doc, {}).distance, "12.50 m");

    // The head's serial port keeps its state apart from the TCP link, and a
    // port that is not there names itself.
    LinkStand link(doc, LinkState::Connecting);
    serial.CloseComPorts();
    ComPortChoice choice = ComPortChoiceFromDocument(doc);
    choice.headPort = 9;
    choice.orientationPort = 31;
    link.replyPending = true; // a command resent to the head on the old port
    serial.ApplyComPortSetup(choice);
    EXPECT_FALSE(link.replyPending) << "a new head port awaits nothing from the old one";
    EXPECT_TRUE(serial.HeadPortOpen());
    EXPECT_FALSE(serial.OrientationPortOpen());
    EXPECT_EQ(doc.HeadLinkState(), LinkState::Connecting);
    const std::string saved = dir.Read("TubescanL.INI");
    EXPECT_NE(saved.find("PRDComPort=31"), std::string::npos);
    EXPECT_NE(saved.find("COM9=" + pty.ProgramEnd()), std::string::npos);
    doc.Settings().m_sonarComPort = 30;
    serial.OpenHeadComPort();
    EXPECT_FALSE(serial.HeadPortOpen());
    EXPECT_EQ(doc.HeadLinkState(), LinkState::Connecting);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("COM30 is not available.", 0), 0u) << messages[0];

    // Pulling the plug closes the port; the event loop keeps turning and the
    // last values stay, no longer marked valid.
    doc.Settings().m_prdComPort = 9;
    ASSERT_TRUE(serial.OpenOrientationPort());
    sensor.close();
    pty.Close();
    QElapsedTimer gap;
    gap.start();
    qint64 longest = 0;
    EXPECT_TRUE(WaitFor(
        [&] {
            longest = std::max(longest, gap.restart());
            serial.PollOrientationSensor();
            return !serial.OrientationPortOpen();
        },
        5000));
    EXPECT_LT(longest, 500);
    EXPECT_EQ(doc.Sensors().rollValid + doc.Sensors().distanceValid, 0);
    EXPECT_EQ(doc.Sensors().distance, 12.5);
    EXPECT_FALSE(serial.OpenOrientationPort());
    doc.OnCloseDocument();
}

TEST(SerialPorts, LongDevicePathsAndVanishedDevicesAreNamedForWhatTheyAre) {
    // A device path over the old 255-character buffers is kept whole, and a
    // device that goes away is said to be removed, not "temporarily
    // unavailable".
    TempDir dir;
    const std::string deep = dir.Dir() + std::string(120, 'd') + "/" + std::string(120, 'e') + "/";
    std::filesystem::create_directories(deep);
    PtyPair pty(deep);
    ASSERT_TRUE(pty.Ready());
    ASSERT_GT(pty.ProgramEnd().size(), 255u);
    dir.Write("TubescanL.INI", Settings(pty, ""));
    CTubescanDoc doc;
    SerialPorts serial(doc);
    doc.OnNewDocument(dir.Dir());
    EXPECT_EQ(SerialDeviceForPort(IniFile::Load(doc.SettingsPath()), 9).path, pty.ProgramEnd());
    ASSERT_TRUE(serial.OpenOrientationPort());

    testing::internal::CaptureStderr();
    pty.Close();
    const bool closed = WaitFor(
        [&] {
            serial.PollOrientationSensor();
            return !serial.OrientationPortOpen();
        },
        5000);
    // Opening it again: the device is not there (no talk of user groups).
    const bool reopened = serial.OpenOrientationPort();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(reopened);
    EXPECT_NE(said.find("the device was removed"), std::string::npos) << said;
    // Named by the path the settings give, not (only) the node behind it.
    EXPECT_NE(said.find("(" + pty.ProgramEnd() + " [/dev/"), std::string::npos) << said;
    EXPECT_EQ(said.find("temporarily unavailable"), std::string::npos) << said;
    EXPECT_NE(said.find("no such device"), std::string::npos) << said;
    EXPECT_EQ(said.find("dialout"), std::string::npos) << said;
    doc.OnCloseDocument();
}
