// The TCP link to the head and its lock-step request cycle, on the
// user-interface thread's event loop: one 27-byte command out, one 283-byte
// return record back, the next command out as soon as the record is handed
// to the acquisition thread. The watchdog (id 1020, 1000 ms) resends the
// command to a silent head and reconnects a lost link once a second. The
// link frames replies, hands them over and says what happened (state,
// counters, signals); keeping, recording, the sensor and the windows belong
// to whoever connects to its signals.
//
// Threading: every member runs on the thread that owns this object (the
// user-interface thread). Fields the acquisition thread also touches are
// written here as follows: m_replyPending, the link's own, as an atomic (the
// reply path must not wait for drawing), the time stamp and m_scanDirection
// under doc.PingMutex(), command bytes 5 and 13 plainly (the worker never
// reads them; each byte is its own memory location).
#pragma once

#include <QObject>
#include <QTcpSocket>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <string>

#include "doc/TubescanDoc.h"
#include "link/ReplyAssembler.h"

class CRealTimeSonarData;

class HeadLink : public QObject {
    Q_OBJECT
  public:
    static constexpr int kWatchdogId = 1020;
    static constexpr int kWatchdogMs = 1000;
    // The pause a slow head may need before each command ("SendDelay", in
    // microseconds). It is waited for on a precise single-shot timer, so the
    // window's thread stays free; the cap keeps a mistyped setting from
    // slowing the pings to a crawl.
    static constexpr int kMaxSendDelayMicroseconds = 5'000;

    // worker may be null (then replies and connections are ignored, as before
    // the acquisition thread exists); both must outlive this object.
    HeadLink(CTubescanDoc& doc, CRealTimeSonarData* worker, QObject* parent = nullptr);
    ~HeadLink() override;

    void StartHeadLink();
    // Shuts the head socket and the UDP output down; the link is down after it.
    void CloseLinks();

    // Where the link stands (down, up, connecting). The link owns it; the
    // document asks for it through its observers (CTubescanDoc::HeadLinkState).
    LinkState State() const { return m_state; }
    // The head's TCP port: the head listens on 4040; tests and benchmarks
    // point the link at a simulator's port before connecting.
    int Port() const { return m_port; }
    void SetPort(int port) { m_port = port; }
    // Forgets an attempt that is still pending, so the next StartHeadLink
    // starts anew (a new address, the "Reset Link" command).
    void ForgetPendingAttempt() { SetLinkState(LinkState::Down); }
    void ResendCommand();
    // Set while the answer to a resent command is awaited (a silent head):
    // a ping that arrives meanwhile is stale, and "Capture Frame" waits.
    // The acquisition thread reads the flag itself (ReplyPendingFlag).
    bool ReplyPending() const { return m_replyPending.load(std::memory_order_acquire) != 0; }
    const std::atomic<int>& ReplyPendingFlag() const { return m_replyPending; }
    // Nothing is awaited any more (a recorded ping was shown, the head's
    // serial port changed).
    void ForgetPendingReply() { SetReplyPending(0); }
    // The timer interval for a send delay: whole milliseconds (Qt's timers
    // count no finer), never shorter than asked, at most the cap.
    static int SendDelayMilliseconds(int microseconds);

    void ArmWatchdog() { m_watchdog.start(); }
    void KillWatchdog() { m_watchdog.stop(); }
    bool WatchdogArmed() const { return m_watchdog.isActive(); }

    struct Counters {
        std::uint64_t commandsSent = 0;
        std::uint64_t records = 0;      // complete records handed over
        std::uint64_t partialReads = 0; // notifications that completed no record
        std::uint64_t watchdogTicks = 0;
        std::uint64_t resends = 0;
        std::uint64_t connectAttempts = 0;
    };
    const Counters& GetCounters() const { return m_counters; }
    std::uint64_t DiscardedBytes() const { return m_assembler.DiscardedBytes(); }
    // Why the last connection attempt was refused locally (empty if it was not).
    const std::string& LastRefusal() const { return m_lastRefusal; }

  signals:
    void commandSent();
    void linkStateChanged(LinkState state);
    // A complete reply, before it goes to the acquisition thread: whoever
    // keeps and records replies takes it here (connect directly).
    void replyFramed(const ReplyAssembler::Record& reply);
    // The acquisition thread asks for an orientation reading, or the
    // watchdog ticked: the sensor's owner polls it.
    void sensorPollDue();
    // Replies were handed over: the windows that show the link may refresh;
    // diagnostics says whether they are due too.
    void windowsRefreshDue(bool diagnostics);
    // A watchdog period passed without a reply in real time (not held): the
    // command is resent or the link restarted. Whoever shows the link's
    // state blinks it and refreshes; the link itself draws nothing.
    void headSilent();

  private:
    void OnConnect(int error);
    void OnReceive();
    void OnClose();
    void WatchdogTimerProc();
    void SendCommand();
    void SendBytes(const headproto::HeadCommand& command);
    void SendAfterDelay();
    void OnSocketError(QAbstractSocket::SocketError error);
    void DropSocket();
    void SetLinkState(LinkState state);
    void SetReplyPending(int value);
    bool WorkerRunning() const;

    CTubescanDoc& m_doc;
    CRealTimeSonarData* m_worker;
    QTcpSocket* m_socket = nullptr; // owned; deleted later when replaced
    bool m_socketConnecting = false;
    QTimer m_watchdog;
    QTimer m_sendTimer;                 // the send delay, single shot
    headproto::HeadCommand m_delayed{}; // the command as it stood when the reply came
    ReplyAssembler m_assembler;
    std::array<std::uint8_t, headproto::kReceiveBufferSize> m_receiveBuffer{};
    Counters m_counters;
    std::string m_lastRefusal;
    LinkState m_state = LinkState::Down;
    std::atomic<int> m_replyPending{0};
    int m_port = 4040;
};
