// A live run against tubescan-sim: every profile point the acquisition thread
// computes reaches a listener on this machine as the datagrams it built.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkDatagram>
#include <QProcess>
#include <QUdpSocket>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

#include "../core/TempDir.h"
#include "doc/TubescanDoc.h"
#include "format/XyzFormat.h"
#include "link/SonarHost.h"
#include "link/UdpOutput.h"

#include "../support/SimProcess.h"

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

// Keeps a copy of every datagram the document hands to the real socket.
struct TeeSink : DatagramSink {
    std::shared_ptr<DatagramSink> socket;
    std::mutex mutex;
    std::vector<std::string> sent;
    void Send(std::string_view bytes) noexcept override {
        {
            std::lock_guard lock(mutex);
            sent.emplace_back(bytes);
        }
        socket->Send(bytes);
    }
};

std::vector<double> Numbers(const std::string& datagram) {
    std::vector<double> v;
    std::size_t at = 0;
    for (int field = 0; (at = datagram.find(',', at)) != std::string::npos; ++field) {
        ++at;
        if (field >= 1) v.push_back(std::atof(datagram.c_str() + at));
    }
    return v;
}

} // namespace

TEST(LiveOutput, DatagramsOfALiveRunArriveAsComputed) {
    SimProcess sim({"--diameter", "0.6", "--offset-x", "0", "--offset-y", "0", "--ovality", "0",
                    "--debris-height", "0", "--water-level", "1"});
    ASSERT_NE(sim.Port(), 0);
    QUdpSocket listener;
    ASSERT_TRUE(listener.bind(QHostAddress::LocalHost, 0));
    listener.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 8 << 20);

    TempDir dir;
    dir.Write("TubescanL.INI", "[System Settings]\r\nIP Address=127.0.0.1\r\n"
                               "Output UDP Address=127.0.0.1\r\nOutput UDP Port=" +
                                   std::to_string(listener.localPort()) +
                                   "\r\nEnable UDP Output XYZ=1\r\nEnable UDP Output PRD=1\r\n"
                                   "[Sonar Settings]\r\n");
    CTubescanDoc doc;
    auto host = std::make_unique<SonarHost>(doc);
    auto tee = std::make_shared<TeeSink>();
    UdpOutputMaker udpMaker(doc);
    // Observes after the maker: the socket it made goes behind the tee.
    struct TeeInstaller : AttachedObserver {
        CTubescanDoc& doc;
        std::shared_ptr<TeeSink> tee;
        TeeInstaller(CTubescanDoc& d, std::shared_ptr<TeeSink> t)
            : AttachedObserver(d), doc(d), tee(std::move(t)) {}
        void OnCreateUdpOutput() override {
            auto socket = doc.Outputs().Udp().Get();
            if (!socket || socket == tee) return;
            tee->socket = socket;
            doc.Outputs().Udp().Reset(tee);
        }
    } teeInstaller(doc, tee);
    doc.OnNewDocument(dir.Dir());
    host->SetHeadPort(sim.Port());
    host->OnConnectToSonarHead();

    std::vector<std::string> received;
    ASSERT_TRUE(WaitFor(
        [&] {
            while (listener.hasPendingDatagrams())
                received.push_back(listener.receiveDatagram().data().toStdString());
            return received.size() >= 200;
        },
        15000));
    doc.OnCloseDocument();
    host.reset();
    while (listener.hasPendingDatagrams())
        received.push_back(listener.receiveDatagram().data().toStdString());

    std::lock_guard lock(tee->mutex);
    const std::vector<std::string>& sent = tee->sent;
    // Every datagram arrives unchanged and in order. (A listener that falls
    // far behind may lose some, as UDP allows; the large buffer avoids that
    // here, but the check only asks that nothing arrives out of order.)
    std::size_t next = 0;
    for (const std::string& d : received) {
        while (next < sent.size() && sent[next] != d)
            ++next;
        ASSERT_LT(next, sent.size()) << "received but never sent, or out of order: " << d;
        ++next;
    }

    // Each point is an XYZ datagram followed by its PRD datagram; they agree
    // with each other and with a head in the middle of a 0.6 m pipe.
    ASSERT_EQ(sent[0].find(',', 12), 24u) << sent[0]; // date,time.ms
    std::vector<double> ranges;
    for (std::size_t i = 0; i + 1 < sent.size(); i += 2) {
        const auto xyz = Numbers(sent[i]);
        const auto prd = Numbers(sent[i + 1]);
        ASSERT_EQ(xyz.size(), 3u) << sent[i];
        ASSERT_EQ(prd.size(), 5u) << sent[i + 1];
        EXPECT_EQ(sent[i].substr(0, 24), sent[i + 1].substr(0, 24));
        const double r = prd[3], bearing = prd[4];
        EXPECT_GE(bearing, 0.0);
        EXPECT_LT(bearing, 360.0);
        // The first two points come from the empty history the run starts with;
        // after them the wall is the same distance away all round.
        if (i >= 4) ranges.push_back(r);
        const double phi = (bearing - 90.0) * xyz::kPi / 180.0;
        EXPECT_NEAR(xyz[0], std::cos(phi) * r, 0.002) << sent[i] << sent[i + 1];
        EXPECT_NEAR(xyz[1], -std::sin(phi) * r, 0.002) << sent[i] << sent[i + 1];
        EXPECT_EQ(xyz[2], prd[2]);
    }
    ASSERT_GT(ranges.size(), 50u);
    std::nth_element(ranges.begin(), ranges.begin() + ranges.size() / 2, ranges.end());
    const double median = ranges[ranges.size() / 2];
    EXPECT_GT(median, 0.28); // the 0.3 m wall (plus the first sample's offset)
    EXPECT_LT(median, 0.36);
    for (double r : ranges)
        EXPECT_NEAR(r, median, 0.005);
}
