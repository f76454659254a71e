// The live analysis on its worker: points handed in from another thread come
// back as batches on this one, in order, a jump back is not counted twice,
// and the pipe the window says is the one the scans are measured against.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include <QCoreApplication>

#include "doc/ProfileOutputs.h"
#include "link/LiveAnalysisWorker.h"

namespace {

void Revolution(ProfileSampleSink& sink, double distance, double radius) {
    for (int i = 0; i < 400; ++i)
        sink.Add(analysis::FromPolar(i * 0.9, radius, 0.0, distance));
}

struct Received {
    std::vector<analysis::ScanFigures> scans;
    std::size_t surveyScans = 0;
    std::size_t batches = 0;
    std::shared_ptr<const analysis::Findings> findings;
};

} // namespace

TEST(LiveAnalysisWorker, PointsFromAnotherThreadComeBackAsScansOnThisOne) {
    std::atomic<double> diameter{0.3};
    LiveAnalysisWorker worker([&diameter] {
        analysis::NominalPipe pipe;
        pipe.diameter = diameter.load();
        return pipe;
    });
    Received got;
    const auto* mainThread = QThread::currentThread();
    bool onMainThread = true;
    QObject::connect(&worker, &LiveAnalysisWorker::batchReady, &worker,
                     [&](std::shared_ptr<const analysis::LiveBatch> batch) {
                         onMainThread = onMainThread && QThread::currentThread() == mainThread;
                         ++got.batches;
                         for (const analysis::LiveScan& s : batch->scans)
                             got.scans.push_back(s.Figures());
                         got.surveyScans = batch->surveyScans;
                         if (batch->findings) got.findings = batch->findings;
                     });
    const std::shared_ptr<ProfileSampleSink> sink = worker.Sink();
    // The acquisition thread's part: 30 revolutions, a metre a revolution.
    std::thread producer([&] {
        for (int scan = 0; scan < 30; ++scan)
            Revolution(*sink, scan * 1.0, 0.15);
    });
    producer.join();
    ASSERT_TRUE(worker.Flush());
    EXPECT_TRUE(onMainThread);
    ASSERT_EQ(got.scans.size(), 29u);
    EXPECT_EQ(got.surveyScans, 29u);
    for (std::size_t i = 0; i < got.scans.size(); ++i)
        EXPECT_DOUBLE_EQ(got.scans[i].distance, static_cast<double>(i));
    // Measured against the 0.3 m pipe the window gave: no area lost.
    EXPECT_NEAR(got.scans.back().areaLoss, 0.0, 1.0);
    EXPECT_TRUE(got.findings);

    // A jump back: the replayed scans are not counted again, and a later
    // pipe (twice the size) is what the new scans are measured against.
    diameter = 0.6;
    sink->Restart();
    for (int scan = 10; scan < 35; ++scan)
        Revolution(*sink, scan * 1.0, 0.15);
    ASSERT_TRUE(worker.Flush());
    EXPECT_EQ(got.surveyScans, 29u + 5u);
    ASSERT_EQ(got.scans.size(), 29u + 5u);
    EXPECT_GT(got.scans.back().distance, 29.0);
    EXPECT_NEAR(got.scans.back().areaLoss, 75.0, 2.0);
    EXPECT_EQ(worker.Dropped(), 0u);
}

TEST(LiveAnalysisWorker, BurstLetsGoOfItsRoomOnceAnalysed) {
    // The window busy while a file starts again: many revolutions wait at
    // once. Once analysed, the buffers that held them must not keep that
    // size, or every such moment raises the program's memory for good.
    LiveAnalysisWorker worker([] { return analysis::NominalPipe{}; });
    std::size_t scans = 0;
    QObject::connect(
        &worker, &LiveAnalysisWorker::batchReady, &worker,
        [&](std::shared_ptr<const analysis::LiveBatch> batch) { scans = batch->surveyScans; });
    const std::shared_ptr<ProfileSampleSink> sink = worker.Sink();
    constexpr int kRevolutions = 250;
    constexpr std::size_t kBurst = kRevolutions * 400;
    for (int round = 0; round < 2; ++round) {
        std::thread producer([&] {
            for (int scan = 0; scan < kRevolutions; ++scan)
                Revolution(*sink, (round * kRevolutions + scan) * 1.0, 0.15);
        });
        producer.join();
        EXPECT_GE(worker.HeldCapacity(), kBurst); // the burst is held until analysed
        ASSERT_TRUE(worker.Flush());
        EXPECT_EQ(scans, static_cast<std::size_t>((round + 1) * kRevolutions - 1));
        // Both buffers may be back at their steady room (16,384 points each)
        // when the worker drained part of the burst while it came in.
        EXPECT_LT(worker.HeldCapacity(), kBurst / 3) << "round " << round;
    }
    EXPECT_EQ(worker.Dropped(), 0u);
}
