#include "link/RealTimeSonarData.h"

#include <QDebug>

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

void SpinPause() {
#if defined(__SSE2__)
    _mm_pause();
#endif
}

} // namespace

#include "link/LivePing.h"

CRealTimeSonarData::CRealTimeSonarData(CTubescanDoc& doc, QObject* parent)
    : QObject(parent), m_doc(doc), m_work(std::make_unique<AcquisitionBuffers>()) {}

CRealTimeSonarData::~CRealTimeSonarData() {
    Stop();
}

void CRealTimeSonarData::Start() {
    if (m_thread) return;
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("acquisition"));
    m_receiver = std::make_unique<QObject>();
    m_receiver->moveToThread(m_thread.get());
    m_thread->start();
}

void CRealTimeSonarData::Stop() {
    if (!m_thread) return;
    // The quit message queues behind the pings already posted.
    QThread* thread = m_thread.get();
    QMetaObject::invokeMethod(
        m_receiver.get(), [thread] { thread->quit(); }, Qt::QueuedConnection);
    if (!m_thread->wait(5000)) {
        // Never terminate a thread: leave it (and what it uses) alive rather
        // than tear memory out from under it.
        qWarning("acquisition thread did not end within 5 s; leaving it running");
        (void)m_thread.release();
        (void)m_receiver.release();
        (void)m_work.release();
        return;
    }
    m_receiver.reset();
    m_thread.reset();
    std::lock_guard lock(m_mailboxMutex);
    m_hasPending = false;
    SetIdle(false);
}

void CRealTimeSonarData::SetIdle(bool idle) {
    m_idle = idle;
    m_idleSeen.store(idle, std::memory_order_release);
}

bool CRealTimeSonarData::Running() const {
    return m_thread && m_thread->isRunning();
}

bool CRealTimeSonarData::HandOver(
    std::span<const std::uint8_t, headproto::kReturnRecordSize> record) {
    // The worker usually finishes within microseconds of the reply arriving;
    // watching its idle flag for a moment spares this thread going to sleep
    // and being woken again, which costs more than the drawing itself. The
    // whole wait, watching included, stays within the 20 ms bound.
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < kIdleWatchRounds && !m_idleSeen.load(std::memory_order_acquire); ++n)
        SpinPause();
    {
        std::unique_lock lock(m_mailboxMutex);
        const auto left = kHandOverWait - std::chrono::duration_cast<std::chrono::microseconds>(
                                              std::chrono::steady_clock::now() - start);
        if (!m_idleChanged.wait_for(lock, std::max(left, std::chrono::microseconds(0)),
                                    [this] { return m_idle; }))
            ++m_counters.waitedOut;
        if (m_hasPending) ++m_counters.dropped;
        std::copy(record.begin(), record.end(), m_pending.begin());
        m_hasPending = true;
        ++m_counters.handedOver;
        SetIdle(false);
    }
    bool poll = false;
    if (++m_handoverCount >= kPollEvery) {
        m_handoverCount = 0;
        poll = true;
    }
    if (m_receiver)
        QMetaObject::invokeMethod(
            m_receiver.get(), [this] { OnPingMessage(); }, Qt::QueuedConnection);
    return poll;
}

void CRealTimeSonarData::OnPingMessage() {
    {
        std::lock_guard lock(m_mailboxMutex);
        if (!m_hasPending) {
            // An earlier message already took the newest record.
            SetIdle(true);
            m_idleChanged.notify_all();
            return;
        }
        std::copy(m_pending.begin(), m_pending.end(), m_work->m_input.begin());
        m_hasPending = false;
        m_busy = true;
    }

    static const std::atomic<int> kNeverPending{0};
    const LivePingResult result =
        ProcessLivePing(m_doc, *m_work, m_replyPending ? *m_replyPending : kNeverPending);
    if (result.requestRepaint) emit repaintDue(0);

    std::lock_guard lock(m_mailboxMutex);
    m_busy = false;
    if (result.processed)
        ++m_counters.processed;
    else if (result.stale)
        ++m_counters.stale;
    else
        ++m_counters.rejected;
    if (!m_hasPending) {
        SetIdle(true);
        m_idleChanged.notify_all();
    }
}

bool CRealTimeSonarData::WaitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mailboxMutex);
    return m_idleChanged.wait_for(lock, timeout, [this] { return !m_busy && !m_hasPending; });
}

int CRealTimeSonarData::PingsSinceRepaint() const {
    return m_work ? m_work->m_pingsSinceRepaint.load(std::memory_order_relaxed) : 0;
}

CRealTimeSonarData::Counters CRealTimeSonarData::GetCounters() const {
    std::lock_guard lock(m_mailboxMutex);
    return m_counters;
}
