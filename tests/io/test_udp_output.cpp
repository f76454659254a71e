// The UDP output against a listener on this machine: what arrives, from which
// thread it may be sent, and what is refused.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <cstdlib>
#include <thread>
#include <vector>

#include "../core/TempDir.h"
#include "doc/TubescanDoc.h"
#include "format/XyzFormat.h"
#include "link/LoopbackGuard.h"
#include "link/UdpOutput.h"

namespace {

// Collects datagrams for at most timeoutMs.
std::vector<QNetworkDatagram> Receive(QUdpSocket& socket, std::size_t count, int timeoutMs) {
    std::vector<QNetworkDatagram> got;
    QElapsedTimer timer;
    timer.start();
    while (got.size() < count && timer.elapsed() < timeoutMs) {
        if (!socket.hasPendingDatagrams()) socket.waitForReadyRead(50);
        while (socket.hasPendingDatagrams())
            got.push_back(socket.receiveDatagram());
    }
    return got;
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= s.size(); ++i) {
        if (i == s.size() || s[i] == sep) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

// A document loaded from a settings file that sends to the listener.
struct LoopbackDoc {
    TempDir dir;
    CTubescanDoc doc;
    explicit LoopbackDoc(quint16 port, const std::string& switches) {
        dir.Write("TubescanL.INI", "[System Settings]\r\nOutput UDP Address=127.0.0.1\r\n"
                                   "Output UDP Port=" +
                                       std::to_string(port) + "\r\n" + switches +
                                       "[Sonar Settings]\r\n");
        doc.SetSettingsPath(dir.File("TubescanL.INI"));
        doc.LoadSettings();
    }
    UdpOutputMaker udpMaker{doc};
};

} // namespace

TEST(UdpOutput, PointsSentFromAnotherThreadArriveAsTheComputedTexts) {
    QUdpSocket listener;
    ASSERT_TRUE(listener.bind(QHostAddress::LocalHost, 0));
    LoopbackDoc d(listener.localPort(), "Enable UDP Output XYZ=1\r\nEnable UDP Output PRD=1\r\n");
    auto& doc = d.doc;
    doc.CreateUdpOutput();
    auto sink = doc.Outputs().Udp().Get();
    ASSERT_TRUE(sink);
    const auto* output = dynamic_cast<UdpOutput*>(sink.get());
    ASSERT_TRUE(output && output->CanSend()) << output->refusal();
    // A second creation keeps the socket that exists.
    doc.CreateUdpOutput();
    EXPECT_EQ(doc.Outputs().Udp().Get(), sink);

    doc.StampTime();
    doc.Settings().m_soundVelocity = 1450;
    doc.Frame().m_pingDistance = 3.25; // the last valid distance is Z
    doc.Frame().m_pitchAvg = -1.5;
    doc.Frame().m_rollAvg = 2.25;
    const std::vector<std::pair<double, double>> points = {
        {250, 90}, {250, 0}, {100, 450}, {37.5, 213.3}, {249, 359.95}};
    // The acquisition thread sends while the user-interface thread listens.
    std::thread worker([&] {
        for (auto [distance, bearing] : points)
            doc.EmitProfilePoint(distance, bearing);
    });
    worker.join();

    const auto got = Receive(listener, points.size() * 2, 5000);
    ASSERT_EQ(got.size(), points.size() * 2);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto p =
            xyz::ComputeProfilePoint(points[i].first, points[i].second, doc.Settings().m_zoom,
                                     doc.Settings().m_range, doc.Settings().m_soundVelocity, 3.25);
        const QByteArray xyzBytes = got[2 * i].data();
        const QByteArray prdBytes = got[2 * i + 1].data();
        ASSERT_TRUE(xyzBytes.endsWith("\r\n"));
        ASSERT_TRUE(prdBytes.endsWith("\r\n"));
        EXPECT_FALSE(xyzBytes.contains('\0'));
        const auto x = Split(xyzBytes.chopped(2).toStdString(), ',');
        const auto r = Split(prdBytes.chopped(2).toStdString(), ',');
        ASSERT_EQ(x.size(), 5u);
        ASSERT_EQ(r.size(), 7u);
        EXPECT_EQ(x[0], doc.Frame().m_date);
        EXPECT_EQ(x[1], doc.Frame().m_time + "." + doc.Frame().m_millis);
        EXPECT_NEAR(std::atof(x[2].c_str()), p.x, 0.0005);
        EXPECT_NEAR(std::atof(x[3].c_str()), p.y, 0.0005);
        EXPECT_EQ(x[4], "3.250");
        EXPECT_EQ(r[2], "-1.500");
        EXPECT_EQ(r[3], "2.250");
        EXPECT_NEAR(std::atof(r[5].c_str()), p.r, 0.0005);
        EXPECT_NEAR(std::atof(r[6].c_str()), p.prdBearing, 0.0005);
        EXPECT_LT(std::atof(r[6].c_str()), 360.0);
        // Sent from the output's own socket: port 2 or the system's choice.
        EXPECT_EQ(got[2 * i].senderPort(), output->localPort());
    }
}

TEST(UdpOutput, RefusesAddressesOffThisMachineWhileLoopbackOnly) {
    ASSERT_TRUE(loopback::LoopbackOnly()) << "the test command sets " << loopback::kEnvVar;
    // Texts that are not addresses are never looked up (a look-up sends
    // packets to the name server), however local they look.
    for (const char* address : {"192.168.0.23", "10.0.0.1", "example.invalid", "::2", "127.0.0.09",
                                "127.08.0.1", "127.1.evil.example"}) {
        UdpOutput out(address, 4040);
        EXPECT_FALSE(out.CanSend()) << address;
        EXPECT_NE(out.refusal().find(address), std::string::npos) << out.refusal();
        out.Send("x\r\n"); // dropped, never sent
    }
    // A document without a settings file has the factory destination and XYZ
    // output on: its socket must exist and send nothing.
    TempDir dir;
    CTubescanDoc doc;
    doc.SetSettingsPath(dir.File("none.INI"));
    doc.LoadSettings();
    ASSERT_EQ(doc.Settings().m_udpAddress, "192.168.0.23");
    ASSERT_EQ(doc.Settings().m_udpXyzEnabled, 1);
    UdpOutputMaker udpMaker(doc);
    doc.CreateUdpOutput();
    auto* out = dynamic_cast<UdpOutput*>(doc.Outputs().Udp().Get().get());
    ASSERT_TRUE(out);
    EXPECT_FALSE(out->CanSend());
    doc.EmitProfilePoint(250, 90);
}

TEST(UdpOutput, UnusablePortsSendNothing) {
    for (int port : {0, -1, 65536, 1 << 20}) {
        UdpOutput out("127.0.0.1", port);
        EXPECT_FALSE(out.CanSend()) << port;
    }
    UdpOutput ok("127.0.0.1", 9);
    EXPECT_TRUE(ok.CanSend());
    EXPECT_GT(ok.localPort(), 0);
    // Bound on loopback only, not on every interface.
    EXPECT_EQ(ok.localAddress(), "127.0.0.1");
    UdpOutput named("localhost", 9);
    EXPECT_TRUE(named.CanSend());
}

TEST(UdpOutput, ClosingWhileTheWorkerSendsIsSafe) {
    QUdpSocket listener;
    ASSERT_TRUE(listener.bind(QHostAddress::LocalHost, 0));
    LoopbackDoc d(listener.localPort(), "Enable UDP Output XYZ=1\r\n");
    auto& doc = d.doc;
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop)
            doc.EmitProfilePoint(250, 90);
    });
    for (int i = 0; i < 200; ++i) {
        doc.CreateUdpOutput();
        doc.CloseUdpOutput();
    }
    stop = true;
    worker.join();
    QCoreApplication::processEvents(); // sockets the worker released last
    doc.CreateUdpOutput();
    doc.EmitProfilePoint(250, 90);
    EXPECT_FALSE(Receive(listener, 1, 2000).empty());
}
