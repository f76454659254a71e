// The live pipe-condition analysis on a thread of its own: the thread that
// processes pings hands every profile point to the sink (one short lock), a
// worker thread cuts them into scans and analyses them, and the results come
// back to the user-interface thread as values (batchReady), whatever views
// show them. A batch is handed over only when the one before was taken, so a
// busy window makes the batches larger, never more numerous.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>

#include <QObject>
#include <QThread>
#include <QTimer>

#include "analysis/LiveAnalysis.h"

class ProfileSampleSink;

class LiveAnalysisWorker : public QObject {
    Q_OBJECT
  public:
    // pipe is asked on this (the user-interface) thread for the nominal pipe
    // the scans are measured against, before each round of analysis.
    explicit LiveAnalysisWorker(std::function<analysis::NominalPipe()> pipe,
                                QObject* parent = nullptr);
    // Stops the worker; the sink may outlive it and then drops its points.
    ~LiveAnalysisWorker() override;

    // The taker of profile points to install where they are made.
    std::shared_ptr<ProfileSampleSink> Sink() const;
    // Waits, at most timeoutMs, until every point handed in so far has been
    // analysed and its batch delivered; false on time-out.
    bool Flush(int timeoutMs = 5000);
    // Points the worker could not keep up with (dropped, counted).
    std::size_t Dropped() const;
    // Points the waiting buffers have room for (sink's and worker's): stays
    // small once a burst has been analysed.
    std::size_t HeldCapacity() const;

    struct Inbox; // the points between the sink and the worker

  signals:
    void batchReady(std::shared_ptr<const analysis::LiveBatch> batch);
    // Internal: from the worker thread to this object's thread.
    void handOver(std::shared_ptr<const analysis::LiveBatch> batch, QPrivateSignal);

  private:
    void Wake();
    void Deliver(std::shared_ptr<const analysis::LiveBatch> batch);

    class Engine;
    std::function<analysis::NominalPipe()> m_pipe;
    std::shared_ptr<Inbox> m_inbox;
    QThread m_thread;
    Engine* m_engine = nullptr; // lives on m_thread
    QTimer m_wake;
    std::atomic<int> m_inFlight{0};
};
