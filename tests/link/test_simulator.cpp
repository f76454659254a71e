// The link against the real tubescan-sim process and its fault modes.
#include <gtest/gtest.h>

#include <QProcess>

#include <memory>

#include "../support/SimProcess.h"
#include "LinkTestSupport.h"
#include "link/SonarHost.h"

using namespace linktest;

namespace {

struct SimLink {
    TempDir dir;
    CTubescanDoc doc;
    std::unique_ptr<SonarHost> host;
    explicit SimLink(quint16 port) {
        WriteLoopbackSettings(dir);
        host = std::make_unique<SonarHost>(doc);
        doc.OnNewDocument(dir.Dir());
        host->SetHeadPort(port);
        host->OnConnectToSonarHead();
    }
    ~SimLink() {
        doc.OnCloseDocument();
        host.reset();
    }
};

} // namespace

TEST(HeadLinkWithSimulator, CyclesThroughAMangledStream) {
    SimProcess sim({"--split", "--garbage-every", "7", "--bad-signature-every", "5"});
    ASSERT_NE(sim.Port(), 0);
    SimLink l(sim.Port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.doc.Run().m_pingCount >= 120; }, 8000));
    const auto c = l.host->Worker().GetCounters();
    EXPECT_GE(c.rejected, 20u);
    // The stream never lost its alignment, so nothing waited for the watchdog.
    EXPECT_EQ(l.host->Link().GetCounters().resends, 0u);
    EXPECT_EQ(l.doc.Frame().m_replySignature.size(), 3u);
    EXPECT_GT(l.doc.Frame().m_profileRange, 0);
}

TEST(HeadLinkWithSimulator, NoiseLongerThanARecordIsNeverTakenForAReply) {
    // 300 stray bytes before every third reply: none of them may become a
    // ping (each would be recorded and answered with an extra command).
    SimProcess sim({"--garbage-every", "3", "--garbage-bytes", "300"});
    ASSERT_NE(sim.Port(), 0);
    SimLink l(sim.Port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.doc.Run().m_pingCount >= 90; }, 8000));
    const auto& link = l.host->Link().GetCounters();
    EXPECT_EQ(l.host->Worker().GetCounters().rejected, 0u);
    EXPECT_LE(link.records, link.commandsSent);
    EXPECT_EQ(link.resends, 0u);
}

TEST(HeadLinkWithSimulator, RecoversFromClosedConnectionsAndSilence) {
    SimProcess sim({"--close-after", "30", "--silent-after", "70", "--silent-seconds", "1.2"});
    ASSERT_NE(sim.Port(), 0);
    SimLink l(sim.Port());
    // 30 replies a connection, a reconnection per second, one long silence.
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.doc.Run().m_pingCount >= 100; }, 9000));
    const auto& link = l.host->Link().GetCounters();
    EXPECT_GE(link.connectAttempts, 4u);
    EXPECT_EQ(l.host->State(), LinkState::Up);
}
