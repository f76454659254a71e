// The real link, acquisition thread and host against a fake head on 127.0.0.1.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include <memory>

#include "../support/DocumentSpy.h"
#include "../support/SurveyFile.h"
#include "LinkTestSupport.h"
#include "link/LoopbackGuard.h"
#include "link/SonarHost.h"

using namespace linktest;
using headproto::kCmdFlags;
using headproto::kCmdStepSize;

namespace {

// A document with its settings file on loopback, its host, and a fake head.
struct LiveLink {
    TempDir dir;
    FakeHead head;
    CTubescanDoc doc;
    std::unique_ptr<SonarHost> host;
    int repaints = 0;
    QObject context;

    explicit LiveLink(const std::string& extraSonar = {}) {
        WriteLoopbackSettings(dir, "127.0.0.1", {}, extraSonar);
        host = std::make_unique<SonarHost>(doc);
        QObject::connect(
            &host->Worker(), &CRealTimeSonarData::repaintDue, &context, [this] { ++repaints; },
            Qt::QueuedConnection);
        doc.OnNewDocument(dir.Dir());
        host->SetHeadPort(head.Port());
    }
    ~LiveLink() {
        doc.OnCloseDocument();
        host.reset();
    }
    void Connect() {
        host->OnConnectToSonarHead();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !head.commands.empty(); }, 2000));
    }
    std::uint64_t Processed() { return host->Worker().GetCounters().processed; }
};

} // namespace

TEST(HeadLinkCycle, FirstCommandIsTheSettingsAndEachReplyBringsExactlyOneMore) {
    LiveLink l("Range=3\r\nGain=17\r\nTrain Polar=70\r\n");
    l.head.onCommand = [&](const auto&) {
        // Answer a little later, so a second command would have time to overtake.
        QTimer::singleShot(5, &l.context, [&] { l.head.Send(Bytes(MakeRecord())); });
    };
    l.Connect();

    // What the same settings file gives a fresh document.
    CTubescanDoc expected;
    expected.SetSettingsPath(l.dir.File("TubescanL.INI"));
    expected.LoadSettings();
    EXPECT_EQ(l.head.commands.front(), expected.Command());
    EXPECT_EQ(l.head.commands.front()[headproto::kCmdGain], 17);
    EXPECT_EQ(l.head.commands.front()[headproto::kCmdRangeCode], 30);

    ASSERT_TRUE(QTest::qWaitFor([&] { return l.Processed() >= 20; }, 5000));
    EXPECT_EQ(l.head.overlapping, 0);
    EXPECT_EQ(l.host->State(), LinkState::Up);
    EXPECT_FALSE(l.host->Link().ReplyPending());
    EXPECT_FALSE(l.doc.ReplyPending());
    EXPECT_EQ(l.host->Link().GetCounters().resends, 0u);
}

TEST(HeadLinkCycle, SilentHeadGetsTheCommandAgainAndReverseTravelsOnce) {
    LiveLink l;
    l.head.onCommand = [](const auto&) {}; // the head says nothing
    l.Connect();
    QElapsedTimer clock;
    clock.start();
    l.doc.SetCommandByte(kCmdStepSize, 6);
    l.host->Reverse();
    EXPECT_EQ(l.doc.Run().m_scanDirection, 0);

    ASSERT_TRUE(QTest::qWaitFor([&] { return l.head.commands.size() >= 2; }, 2500));
    EXPECT_GT(clock.elapsed(), 700);
    EXPECT_TRUE(l.host->Link().ReplyPending());
    EXPECT_TRUE(l.doc.ReplyPending()) << "the document asks the link's owner";
    auto resent = l.head.commands[1];
    EXPECT_EQ(resent[kCmdStepSize], 3);
    EXPECT_EQ(resent[kCmdFlags], headproto::kFlagReverse);
    resent[kCmdStepSize] = l.head.commands[0][kCmdStepSize];
    resent[kCmdFlags] = l.head.commands[0][kCmdFlags];
    EXPECT_EQ(resent, l.head.commands[0]); // otherwise the same command

    // The head answers again: the next command has the flag cleared.
    l.head.onCommand = [&](const auto&) { l.head.Send(Bytes(MakeRecord())); };
    l.head.Send(Bytes(MakeRecord()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.head.commands.size() >= 4; }, 2000));
    EXPECT_EQ(l.head.commands[2][kCmdFlags], 0);
    EXPECT_EQ(l.head.commands[3][kCmdFlags], 0);
    EXPECT_FALSE(l.host->Link().ReplyPending());
    EXPECT_FALSE(l.doc.ReplyPending());
}

// The wait for a silent head belongs to the link, but the document may end
// it (a recorded ping shown, another head port): it tells the link's owner.
TEST(HeadLinkCycle, DocumentEndsTheWaitForASilentHead) {
    LiveLink l;
    l.head.onCommand = [](const auto&) {};
    l.Connect();
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.host->Link().ReplyPending(); }, 2500));
    l.doc.ForgetPendingReply();
    EXPECT_FALSE(l.host->Link().ReplyPending());
    EXPECT_FALSE(l.doc.ReplyPending());
}

TEST(HeadLinkCycle, LostConnectionIsBackWithinTwoSeconds) {
    LiveLink l;
    l.Connect();
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.Processed() >= 3; }, 2000));
    QElapsedTimer clock;
    clock.start();
    l.head.client->disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.host->State() == LinkState::Down; }, 1000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.head.connections == 2; }, 2500));
    EXPECT_LT(clock.elapsed(), 2200);
    const auto before = l.Processed();
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.Processed() >= before + 3; }, 2000));
    EXPECT_EQ(l.host->State(), LinkState::Up);
}

TEST(HeadLinkCycle, HoldStopsSendingAndReleasingItRestartsTheLink) {
    LiveLink l;
    l.Connect();
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.Processed() >= 3; }, 5000));
    l.host->SetHold(true);
    // The command already out gets its answer, which is still processed.
    const auto& counters = l.host->Link().GetCounters();
    ASSERT_TRUE(QTest::qWaitFor([&] { return counters.records == counters.commandsSent; }, 5000));
    const auto sent = counters.commandsSent;
    EXPECT_EQ(l.head.commands.size(), sent);
    // Every answer is accounted for: processed, or (on a loaded machine) replaced
    // by a newer one before the worker took it.
    const auto& worker = l.host->Worker();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto w = worker.GetCounters();
            return w.processed + w.dropped + w.stale == sent;
        },
        5000));
    // A record that still comes is processed, and no command answers it.
    const auto before = l.Processed();
    l.head.Send(Bytes(MakeRecord()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.Processed() == before + 1; }, 5000));
    EXPECT_EQ(l.head.commands.size(), sent);

    l.host->SetHold(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.head.connections == 2; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.head.commands.size() >= sent + 3; }, 5000));
}

TEST(HeadLinkCycle, TheDocumentAsksTheHostWhereTheLinkStands) {
    LiveLink l;
    std::vector<LinkState> changes;
    QObject::connect(&l.host->Link(), &HeadLink::linkStateChanged, &l.context,
                     [&](LinkState s) { changes.push_back(s); });
    EXPECT_EQ(l.doc.HeadLinkState(), LinkState::Down);
    l.Connect();
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.host->State() == LinkState::Up; }, 2000));
    EXPECT_EQ(l.doc.HeadLinkState(), LinkState::Up);
    ASSERT_GE(changes.size(), 2u);
    EXPECT_EQ(changes.back(), LinkState::Up);

    // "Reset Link" starts a new connection at once, also over a link that is up.
    const auto attempts = l.host->Link().GetCounters().connectAttempts;
    l.host->RestartHeadLink();
    EXPECT_EQ(l.host->Link().GetCounters().connectAttempts, attempts + 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.host->State() == LinkState::Up; }, 2000));

    // Playback closes the link: down for the host and the document alike.
    const std::string path = l.dir.File("played.31l");
    ASSERT_TRUE(survey::WriteFile(path, 20, survey::Shape{}));
    ASSERT_EQ(l.doc.OpenPlayback(path), PlaybackOpen::Opened);
    EXPECT_EQ(l.host->State(), LinkState::Down);
    EXPECT_EQ(l.doc.HeadLinkState(), LinkState::Down);
    EXPECT_EQ(changes.back(), LinkState::Down);
}

TEST(HeadLinkCycle, InPlaybackRepliesAreIgnoredAndTheWatchdogOnlyTicks) {
    LiveLink l;
    l.head.onCommand = [](const auto&) {};
    l.Connect();
    l.doc.Run().m_playback = 1;
    l.head.Send(Bytes(MakeRecord()));
    const auto ticks = l.host->Link().GetCounters().watchdogTicks;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return l.host->Link().GetCounters().watchdogTicks >= ticks + 1; }, 2000));
    EXPECT_EQ(l.head.commands.size(), 1u);
    EXPECT_EQ(l.host->Link().GetCounters().records, 0u);
    EXPECT_EQ(l.doc.Run().m_pingCount, 0);
    EXPECT_TRUE(l.host->Link().WatchdogArmed());
}

TEST(HeadLinkStream, SplitRecordsAreProcessedAndBadSignaturesAreNot) {
    LiveLink l;
    int n = 0;
    l.head.onCommand = [&](const auto&) {
        if (++n > 11) return; // the twelfth command shows the eleventh reply was taken
        Record r = MakeRecord('M', 600 + n);
        if (n % 4 == 0) r[2] = 'Y'; // bad signature
        const QByteArray bytes = Bytes(r);
        if (n % 2 == 1) {
            // In two pieces, the second well after the first.
            l.head.Send(bytes.left(100));
            QTimer::singleShot(30, &l.context, [&l, bytes] {
                if (l.head.client) {
                    l.head.client->write(bytes.mid(100));
                    l.head.client->flush();
                }
            });
        } else if (n == 6) {
            // Stray bytes ahead of the record.
            l.head.Send(QByteArray("\x01\x02\x03\x04\x05", 5) + bytes);
        } else {
            l.head.Send(bytes);
        }
    };
    l.Connect();
    ASSERT_TRUE(QTest::qWaitFor([&] { return n >= 12; }, 4000));
    ASSERT_TRUE(l.host->Worker().WaitIdle(std::chrono::milliseconds(1000)));
    const auto c = l.host->Worker().GetCounters();
    EXPECT_EQ(c.rejected, 2u); // replies 4 and 8
    EXPECT_EQ(c.processed, 9u);
    EXPECT_EQ(static_cast<std::uint64_t>(l.doc.Run().m_pingCount), c.processed);
    EXPECT_EQ(l.host->Link().GetCounters().resends, 0u); // no reply was lost
}

TEST(HeadLinkCycle, TheWatchdogSaysTheHeadIsSilentAndAsksNoRepaint) {
    LiveLink l;
    DocumentSpy spy(l.doc);
    l.head.onCommand = [](const auto&) {}; // the head says nothing
    l.Connect();
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.host->State() == LinkState::Up; }, 2000));
    int silent = 0;
    QObject::connect(&l.host->Link(), &HeadLink::headSilent, &l.context, [&] { ++silent; });
    QCoreApplication::processEvents();
    const int before = spy.viewUpdates;
    ASSERT_TRUE(QTest::qWaitFor([&] { return silent >= 1; }, 3000));
    QCoreApplication::processEvents();
    // Blinking and refreshing are the windows' business, on that signal.
    EXPECT_EQ(spy.viewUpdates, before);
    EXPECT_EQ(l.repaints, 0);
    EXPECT_GE(l.host->Link().GetCounters().resends, 1u);
}

TEST(HeadLinkStream, RepaintIsRequestedEveryThirdProcessedPing) {
    LiveLink l;
    int n = 0;
    l.head.onCommand = [&](const auto&) {
        if (++n > 10) return; // then silence
        Record r = MakeRecord();
        if (n == 5) r[0] = 'X'; // rejected: does not count
        l.head.Send(Bytes(r));
    };
    l.Connect();
    const int atConnect = l.repaints; // starting the link redraws once
    // Deadlines for a loaded machine (or a sanitizer's pace): the head goes
    // silent after its tenth reply, so waiting longer never counts more.
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.Processed() == 9; }, 15000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.repaints - atConnect == 3; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(l.repaints - atConnect, 3);
    EXPECT_EQ(l.doc.Run().m_pingCount, 9);
}

TEST(HeadLinkSafety, NonLoopbackHeadIsRefusedAndSaysSo) {
    // Without the guard these addresses would really be contacted.
    ASSERT_TRUE(loopback::LoopbackOnly()) << "the test command sets " << loopback::kEnvVar;
    // Texts that only look local ("127.0.0.09" is no address to Qt) are never
    // handed to a name look-up, which would send packets off the machine.
    for (const char* address : {"10.20.30.40", "127.0.0.09", "127.08.0.1", "pipe-head.invalid"}) {
        TempDir dir;
        WriteLoopbackSettings(dir, address);
        CTubescanDoc doc;
        SonarHost host(doc);
        doc.OnNewDocument(dir.Dir());
        host.OnConnectToSonarHead();
        EXPECT_EQ(host.State(), LinkState::Down) << address;
        EXPECT_EQ(doc.HeadLinkState(), LinkState::Down) << address;
        EXPECT_NE(host.Link().LastRefusal().find(address), std::string::npos) << address;
        EXPECT_EQ(host.Link().GetCounters().commandsSent, 0u);
        doc.OnCloseDocument();
    }
}

TEST(HeadLinkCycle, SendDelayWaitsOffTheWindowsThreadAndTheCommandStillLeavesAfterIt) {
    // "SendDelay" once spun on the window's thread before every command: at
    // 5 ms the window got a look-in once a ping. The command must still
    // leave no sooner than the delay after the reply.
    LiveLink l;
    l.doc.Settings().m_sendDelay = 3000; // microseconds
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> gaps; // the head's reply to the next command, microseconds
    qint64 sentAt = -1;
    long ticks = 0, ticksAtFirst = 0;
    l.head.onCommand = [&](const auto&) {
        if (sentAt < 0)
            ticksAtFirst = ticks;
        else
            gaps.push_back((clock.nsecsElapsed() - sentAt) / 1000);
        l.head.Send(Bytes(MakeRecord()));
        sentAt = clock.nsecsElapsed();
    };
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(1);
    l.Connect();
    ASSERT_TRUE(QTest::qWaitFor([&] { return gaps.size() >= 30; }, 10000));
    tick.stop();
    for (const qint64 gap : gaps)
        EXPECT_GE(gap, 3000);
    // A 1 ms timer on the same thread ran about three times a ping (once a
    // ping while the wait spun).
    EXPECT_GE(ticks - ticksAtFirst, static_cast<long>(2 * gaps.size()));
    EXPECT_EQ(l.head.overlapping, 0);

    // Whole milliseconds, never shorter than asked, at most the 5 ms cap.
    const std::pair<int, int> intervals[] = {{0, 0},    {-5, 0},   {1, 1},    {999, 1},
                                             {1000, 1}, {1001, 2}, {5000, 5}, {1'000'000, 5}};
    for (const auto& [us, ms] : intervals)
        EXPECT_EQ(HeadLink::SendDelayMilliseconds(us), ms) << us;
}

TEST(HeadLinkCycle, ConnectingAgainClearsTheMinimumRangeForTheHeadToo) {
    // The connect command zeroes the profile minimum range; the head must be
    // told the same, or it keeps gating profiles at the old distance.
    LiveLink l;
    l.head.onCommand = [&](const auto&) { l.head.Send(Bytes(MakeRecord())); };
    l.Connect();
    {
        std::lock_guard lock(l.doc.PingMutex());
        l.doc.Settings().m_profileMinRange = 0.5;
        l.doc.SetCommandByte(headproto::kCmdProfileMinRange, 50);
    }
    const std::size_t before = l.head.commands.size();
    l.host->OnConnectToSonarHead();
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.head.commands.size() > before + 2; }, 3000));
    EXPECT_EQ(l.doc.Settings().m_profileMinRange, 0.0);
    EXPECT_EQ(l.head.commands.back()[headproto::kCmdProfileMinRange], 0);
}
