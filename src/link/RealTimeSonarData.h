// The acquisition thread: processes live pings off the user-interface thread
// so the next head command can leave as soon as a reply has arrived.
//
// Hand-over (user-interface thread) and processing (acquisition thread) meet
// in a one-slot mailbox guarded by m_mailboxMutex:
// - HandOver waits at most 20 ms for the worker to be idle, then copies the
//   record into the pending slot and posts a ping message. It never writes
//   the buffer the worker is reading: the worker copies the pending slot into
//   its own buffers (AcquisitionBuffers) under the same mutex before it starts.
// - If the worker is still busy after 20 ms and an earlier record is still
//   waiting in the slot, the newer record replaces it (the older one is
//   counted as dropped); a wait never grows beyond the bound.
// - The worker is idle when it has finished a ping and the slot is empty.
// Document fields and the image are protected by doc.PingMutex(), taken by
// ProcessLivePing for the whole ping.
#pragma once

#include <QObject>
#include <QThread>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "doc/TubescanDoc.h"
#include "link/AcquisitionBuffers.h"

class CRealTimeSonarData : public QObject {
    Q_OBJECT
  public:
    static constexpr std::chrono::milliseconds kHandOverWait{20};
    static constexpr int kPollEvery = 100;
    // Pause instructions the hand-over watches the idle flag for before it
    // sleeps on the condition (some tens of microseconds).
    static constexpr int kIdleWatchRounds = 2000;

    // The document must outlive this object.
    explicit CRealTimeSonarData(CTubescanDoc& doc, QObject* parent = nullptr);
    ~CRealTimeSonarData() override;

    void Start();
    // Posts the quit message and waits (bounded) for the thread to end.
    void Stop();
    bool Running() const;

    // User-interface thread: hands one complete return record over. Returns
    // true on every 100th hand-over (the caller polls the orientation sensor).
    bool HandOver(std::span<const std::uint8_t, headproto::kReturnRecordSize> record);

    // True once the worker has finished every ping handed to it (at once when
    // nothing was ever handed over).
    bool WaitIdle(std::chrono::milliseconds timeout);

    int PingsSinceRepaint() const;

    // The head link's reply-pending flag, read for every ping: a ping that
    // arrives while it is set is stale. Set before Start(); without one no
    // reply is ever pending. The flag must outlive this object.
    void WatchReplyPending(const std::atomic<int>* flag) { m_replyPending = flag; }

    struct Counters {
        std::uint64_t handedOver = 0;
        std::uint64_t processed = 0; // decoded and drawn
        std::uint64_t rejected = 0;  // signature rejected
        std::uint64_t stale = 0;     // dropped because a reply was pending
        std::uint64_t dropped = 0;   // replaced in the slot before the worker took it
        std::uint64_t waitedOut = 0; // hand-overs that waited the whole 20 ms
    };
    Counters GetCounters() const;

  signals:
    // Every third processed ping, emitted on the acquisition thread: the
    // picture is due for a repaint (hint 0). Connect queued; the view takes
    // it straight from here, not through the document.
    void repaintDue(int hint);

  private:
    void OnPingMessage(); // acquisition thread

    CTubescanDoc& m_doc;
    const std::atomic<int>* m_replyPending = nullptr;
    std::unique_ptr<QThread> m_thread;
    std::unique_ptr<QObject> m_receiver; // lives in m_thread, runs the messages
    std::unique_ptr<AcquisitionBuffers> m_work;

    mutable std::mutex m_mailboxMutex;
    std::condition_variable m_idleChanged;
    void SetIdle(bool idle); // under m_mailboxMutex
    bool m_idle = false;     // starts busy, so the first hand-over waits the bound
    // m_idle as the hand-over may watch it without the mutex.
    std::atomic<bool> m_idleSeen{false};
    bool m_hasPending = false;
    bool m_busy = false; // the worker is processing a record
    std::array<std::uint8_t, headproto::kReturnRecordSize> m_pending{};
    Counters m_counters; // under m_mailboxMutex

    int m_handoverCount = 0; // user-interface thread only
};
