#include "link/LiveAnalysisWorker.h"

#include <mutex>
#include <vector>

#include <QCoreApplication>
#include <QDeadlineTimer>

#include "doc/ProfileOutputs.h"

namespace {
constexpr int kWakeMs = 100;
// Points waiting for the worker at most; what comes beyond is counted and
// dropped rather than held (a stalled worker must not eat the memory).
constexpr std::size_t kInboxCapacity = 200000;
// Room the two point buffers keep between rounds: a tenth of a second of
// the fastest playback fits. A burst (the window busy while a file starts
// again) grows a buffer for that round only; kept, its pages would stay
// resident for as long as the program runs.
constexpr std::size_t kSteadyCapacity = 16384;
} // namespace

struct LiveAnalysisWorker::Inbox {
    std::mutex mutex;
    std::vector<analysis::ProfileSample> items;
    std::vector<std::size_t> restarts; // positions in items where a restart comes
    analysis::NominalPipe pipe;
    bool pipeChanged = true;
    std::size_t dropped = 0;
    std::size_t handedIn = 0, analysed = 0; // points (and restarts), for Flush
    std::size_t workerCapacity = 0;         // the worker's own buffer, as of its last round
};

namespace {

class InboxSink : public ProfileSampleSink {
  public:
    explicit InboxSink(std::weak_ptr<LiveAnalysisWorker::Inbox> inbox)
        : m_inbox(std::move(inbox)) {}
    void Add(const analysis::ProfileSample& s) override {
        const auto inbox = m_inbox.lock();
        if (!inbox) return;
        std::lock_guard lock(inbox->mutex);
        if (inbox->items.size() >= kInboxCapacity) {
            ++inbox->dropped;
            return;
        }
        inbox->items.push_back(s);
        ++inbox->handedIn;
    }
    void Restart() override {
        const auto inbox = m_inbox.lock();
        if (!inbox) return;
        std::lock_guard lock(inbox->mutex);
        inbox->restarts.push_back(inbox->items.size());
        ++inbox->handedIn;
    }

  private:
    std::weak_ptr<LiveAnalysisWorker::Inbox> m_inbox;
};

} // namespace

// Runs on the worker thread: takes what the inbox holds, analyses it in
// order and hands a batch over when the last one was taken.
class LiveAnalysisWorker::Engine : public QObject {
  public:
    Engine(LiveAnalysisWorker& owner, std::shared_ptr<Inbox> inbox)
        : m_owner(owner), m_inbox(std::move(inbox)) {}

    void Drain() {
        std::size_t taken = 0;
        {
            std::lock_guard lock(m_inbox->mutex);
            if (m_inbox->pipeChanged) {
                m_analysis.SetPipe(m_inbox->pipe);
                m_inbox->pipeChanged = false;
            }
            m_items.swap(m_inbox->items);
            m_inbox->items.clear();
            m_restarts.swap(m_inbox->restarts);
            m_inbox->restarts.clear();
            taken = m_items.size() + m_restarts.size();
        }
        std::size_t r = 0;
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            for (; r < m_restarts.size() && m_restarts[r] == i; ++r)
                m_analysis.Restart();
            m_analysis.Add(m_items[i]);
        }
        for (; r < m_restarts.size(); ++r)
            m_analysis.Restart();
        m_items.clear();
        m_restarts.clear();
        // The buffers take turns between the sink and the worker: the one the
        // sink filled is here now, so a burst's size is let go in the round
        // that analysed it.
        if (m_items.capacity() > kSteadyCapacity) {
            std::vector<analysis::ProfileSample>().swap(m_items);
            m_items.reserve(kSteadyCapacity);
        }
        {
            std::lock_guard lock(m_inbox->mutex);
            m_inbox->workerCapacity = m_items.capacity();
        }
        m_pending += taken;
        if (m_owner.m_inFlight.load() > 0) return; // the window has not taken the last one
        auto batch = std::make_shared<const analysis::LiveBatch>(m_analysis.Take());
        const std::size_t done = m_pending;
        m_pending = 0;
        if (!batch->Empty()) {
            ++m_owner.m_inFlight;
            emit m_owner.handOver(std::move(batch), LiveAnalysisWorker::QPrivateSignal());
        }
        std::lock_guard lock(m_inbox->mutex);
        m_inbox->analysed += done;
    }

  private:
    LiveAnalysisWorker& m_owner;
    std::shared_ptr<Inbox> m_inbox;
    analysis::LiveAnalysis m_analysis;
    std::vector<analysis::ProfileSample> m_items;
    std::vector<std::size_t> m_restarts;
    std::size_t m_pending = 0;
};

LiveAnalysisWorker::LiveAnalysisWorker(std::function<analysis::NominalPipe()> pipe, QObject* parent)
    : QObject(parent), m_pipe(std::move(pipe)), m_inbox(std::make_shared<Inbox>()) {
    m_thread.setObjectName(QStringLiteral("live analysis"));
    m_engine = new Engine(*this, m_inbox);
    m_engine->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_engine, &QObject::deleteLater);
    connect(this, &LiveAnalysisWorker::handOver, this, &LiveAnalysisWorker::Deliver,
            Qt::QueuedConnection);
    m_thread.start();
    connect(&m_wake, &QTimer::timeout, this, &LiveAnalysisWorker::Wake);
    m_wake.start(kWakeMs);
}

LiveAnalysisWorker::~LiveAnalysisWorker() {
    m_wake.stop();
    m_thread.quit();
    // A round of analysis is short; never terminate a thread.
    m_thread.wait(QDeadlineTimer(5000));
}

std::shared_ptr<ProfileSampleSink> LiveAnalysisWorker::Sink() const {
    return std::make_shared<InboxSink>(m_inbox);
}

std::size_t LiveAnalysisWorker::Dropped() const {
    std::lock_guard lock(m_inbox->mutex);
    return m_inbox->dropped;
}

std::size_t LiveAnalysisWorker::HeldCapacity() const {
    std::lock_guard lock(m_inbox->mutex);
    return m_inbox->items.capacity() + m_inbox->workerCapacity;
}

void LiveAnalysisWorker::Wake() {
    {
        std::lock_guard lock(m_inbox->mutex);
        if (m_pipe) {
            const analysis::NominalPipe pipe = m_pipe();
            if (!(pipe == m_inbox->pipe)) {
                m_inbox->pipe = pipe;
                m_inbox->pipeChanged = true;
            }
        }
        if (m_inbox->analysed == m_inbox->handedIn) return;
    }
    QMetaObject::invokeMethod(m_engine, &Engine::Drain, Qt::QueuedConnection);
}

void LiveAnalysisWorker::Deliver(std::shared_ptr<const analysis::LiveBatch> batch) {
    emit batchReady(batch);
    --m_inFlight;
}

bool LiveAnalysisWorker::Flush(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        {
            std::lock_guard lock(m_inbox->mutex);
            if (m_inbox->analysed == m_inbox->handedIn && m_inFlight.load() == 0) return true;
        }
        Wake();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(this);
        QThread::msleep(1);
    }
    return false;
}
