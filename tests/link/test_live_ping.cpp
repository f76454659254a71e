#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>

#include "LinkTestSupport.h"
#include "link/LivePing.h"
#include "link/RealTimeSonarData.h"

using linktest::MakeRecord;

namespace {

struct Live {
    CTubescanDoc doc;
    std::unique_ptr<AcquisitionBuffers> work = std::make_unique<AcquisitionBuffers>();
    std::atomic<int> replyPending{0}; // the head link's flag
    LivePingResult Feed(const linktest::Record& r) {
        std::copy(r.begin(), r.end(), work->m_input.begin());
        return ProcessLivePing(doc, *work, replyPending);
    }
};

} // namespace

TEST(LivePing, EchoLineComesOnlyFromRecordsOfThisLength) {
    Live l;
    l.Feed(MakeRecord('M', 600, 1000, 33));
    EXPECT_EQ(l.work->m_newLine[0], 33);
    EXPECT_EQ(l.work->m_newLine[249], 33);
    EXPECT_EQ(l.work->m_newLine[250], 0xFC); // the terminator comes along (251 bytes)
    EXPECT_EQ(l.work->m_newLine[251], 0);
    // A 500-sample record is decoded, but its echo line is not taken from
    // this short buffer.
    const auto r = l.Feed(MakeRecord('G', 700, 1200, 77));
    EXPECT_TRUE(r.processed);
    EXPECT_EQ(l.doc.Frame().m_headPosition, 700);
    EXPECT_EQ(l.work->m_newLine[0], 33);
}

TEST(LivePing, RejectedAndStalePingsAreNotCounted) {
    Live l;
    auto bad = MakeRecord();
    bad[0] = 'A';
    auto r = l.Feed(bad);
    EXPECT_FALSE(r.processed);
    EXPECT_FALSE(r.stale);
    EXPECT_EQ(l.doc.Run().m_pingCount, 0);
    EXPECT_EQ(l.doc.Frame().m_replySignature.substr(0, 1), "A");
    EXPECT_EQ(l.work->m_pingsSinceRepaint.load(), 0);

    // With a reply pending only the time stamp moves.
    l.replyPending = 1;
    l.doc.Frame().m_date.clear();
    r = l.Feed(MakeRecord('M', 650, 999));
    EXPECT_TRUE(r.stale);
    EXPECT_FALSE(r.processed);
    EXPECT_FALSE(l.doc.Frame().m_date.empty());
    EXPECT_EQ(l.doc.Frame().m_headPosition, 0);
    EXPECT_EQ(l.doc.Frame().m_profileRange, -1);
    EXPECT_EQ(l.doc.Run().m_pingCount, 0);
}

TEST(LivePing, RepaintEveryThirdProcessedPingAndPeriodFromTheSecondRequest) {
    Live l;
    auto bad = MakeRecord();
    bad[1] = 'Z';
    int requests = 0;
    for (int i = 1; i <= 9; ++i) {
        // A rejected record between good ones does not move the count.
        EXPECT_FALSE(l.Feed(bad).requestRepaint);
        const auto r = l.Feed(MakeRecord());
        if (r.requestRepaint) ++requests;
        EXPECT_EQ(r.requestRepaint, i % 3 == 0) << "ping " << i;
        // The first request only starts the clock.
        if (i < 6) {
            EXPECT_EQ(l.doc.Run().m_pingPeriod, 0.0) << "ping " << i;
        }
    }
    EXPECT_EQ(requests, 3);
    EXPECT_EQ(l.doc.Run().m_pingCount, 9);
    EXPECT_GT(l.doc.Run().m_pingPeriod, 0.0);
    EXPECT_EQ(l.doc.Run().m_loopTime, l.doc.Run().m_pingPeriod);
}

// The acquisition thread reads the head link's own flag: a ping that comes
// while a resent command is unanswered is counted stale and draws nothing,
// and pings count again once the flag is down.
TEST(LivePing, WorkerDropsPingsWhileTheLinksReplyIsPending) {
    CTubescanDoc doc;
    std::atomic<int> pending{1};
    CRealTimeSonarData worker(doc);
    worker.WatchReplyPending(&pending);
    worker.Start();
    const auto record = MakeRecord('M', 650, 999);
    // The same ping with the flag up, then down: the counts after each.
    struct Step {
        int pending;
        unsigned stale, processed;
        int pings, headPosition;
    };
    for (const Step& step : {Step{1, 1, 0, 0, 0}, Step{0, 1, 1, 1, 650}}) {
        SCOPED_TRACE(step.pending);
        pending = step.pending;
        worker.HandOver(record);
        ASSERT_TRUE(worker.WaitIdle(std::chrono::seconds(5)));
        EXPECT_EQ(worker.GetCounters().stale, step.stale);
        EXPECT_EQ(worker.GetCounters().processed, step.processed);
        EXPECT_EQ(doc.Run().m_pingCount, step.pings);
        EXPECT_EQ(doc.Frame().m_headPosition, step.headPosition);
    }
    worker.Stop();
}
