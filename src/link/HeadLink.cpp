#include "link/HeadLink.h"

#include <QDebug>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>

#include "link/Destination.h"
#include "link/RealTimeSonarData.h"

using namespace headproto;

HeadLink::HeadLink(CTubescanDoc& doc, CRealTimeSonarData* worker, QObject* parent)
    : QObject(parent), m_doc(doc), m_worker(worker) {
    m_watchdog.setSingleShot(true);
    m_watchdog.setInterval(kWatchdogMs);
    connect(&m_watchdog, &QTimer::timeout, this, &HeadLink::WatchdogTimerProc);
    m_sendTimer.setSingleShot(true);
    m_sendTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_sendTimer, &QTimer::timeout, this, &HeadLink::SendAfterDelay);
}

HeadLink::~HeadLink() {
    m_watchdog.stop();
    m_sendTimer.stop();
    DropSocket();
}

void HeadLink::SetLinkState(LinkState state) {
    if (m_state == state) return;
    m_state = state;
    emit linkStateChanged(state);
}

void HeadLink::SetReplyPending(int value) {
    // The acquisition thread reads this flag while it processes a ping.
    m_replyPending.store(value, std::memory_order_release);
}

void HeadLink::DropSocket() {
    m_socketConnecting = false;
    m_sendTimer.stop(); // a waiting command belongs to the link that goes
    m_assembler.Discard();
    if (!m_socket) return;
    // Closing on our own account is not the head closing the link: no OnClose.
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
}

void HeadLink::StartHeadLink() {
    m_doc.PlaybackFile().StopClock();
    m_doc.ShowPlaybackBar(false);
    if (m_state == LinkState::Connecting) return; // an attempt is still pending
    SetLinkState(LinkState::Connecting);
    m_doc.OnParametersChanged();

    DropSocket();
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        m_socketConnecting = false;
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        OnConnect(0);
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &HeadLink::OnReceive);
    connect(m_socket, &QTcpSocket::disconnected, this, &HeadLink::OnClose);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &HeadLink::OnSocketError);

    {
        std::lock_guard lock(m_doc.PingMutex());
        m_doc.StampTime();
    }

    ++m_counters.connectAttempts;
    // Connect to what the text parses to, so the address checked is the
    // address contacted (a text Qt cannot parse would otherwise be looked up
    // as a name, with packets to the name server).
    const Destination target = ResolveDestination(m_doc.Settings().m_ipAddress, "Head link");
    if (!target.refusal.empty()) {
        // Said once per address, not once a second.
        if (target.refusal != m_lastRefusal) std::fprintf(stderr, "%s\n", target.refusal.c_str());
        m_lastRefusal = target.refusal;
        SetLinkState(LinkState::Down);
    } else {
        m_lastRefusal.clear();
        m_socketConnecting = true;
        const auto port = static_cast<quint16>(m_port);
        if (!target.host.isNull())
            m_socket->connectToHost(target.host, port);
        else
            m_socket->connectToHost(target.name, port);
    }

    if (m_doc.Run().m_playback != 0) m_doc.Run().m_playback = 0;
    SetReplyPending(0);
    ArmWatchdog();
    m_doc.SetWindowTitle("TubescanL - Real Time");
}

void HeadLink::CloseLinks() {
    DropSocket();
    // Also when no socket is left: playback starts on a closed link, whatever
    // an attempt that never got a socket left the state at.
    SetLinkState(LinkState::Down);
    m_doc.CloseUdpOutput();
}

void HeadLink::SendCommand() {
    SendBytes(m_doc.Command());
}

void HeadLink::SendBytes(const headproto::HeadCommand& command) {
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState) return;
    m_socket->write(reinterpret_cast<const char*>(command.data()), kCommandSize);
    m_socket->flush(); // out now, not on the next event-loop pass
    ++m_counters.commandsSent;
    emit commandSent();
}

void HeadLink::ResendCommand() {
    if (!m_socket) return;
    SendCommand();
    m_doc.SetCommandByte(kCmdFlags, m_doc.Command()[kCmdFlags] & 0x3F);
    ++m_counters.resends;
}

int HeadLink::SendDelayMilliseconds(int microseconds) {
    if (microseconds <= 0) return 0;
    const int capped = std::min(microseconds, kMaxSendDelayMicroseconds);
    return (capped + 999) / 1000;
}

void HeadLink::SendAfterDelay() {
    // Hold or playback may have begun while the command waited.
    if (m_doc.Run().m_hold || m_doc.Run().m_playback) return;
    SendBytes(m_delayed);
}

void HeadLink::OnSocketError(QAbstractSocket::SocketError error) {
    // Errors of an established link end in disconnected(), handled by OnClose.
    if (!m_socketConnecting) return;
    m_socketConnecting = false;
    OnConnect(static_cast<int>(error) + 1); // +1: the first error code is 0
}

bool HeadLink::WorkerRunning() const {
    return m_worker && m_worker->Running();
}

void HeadLink::OnConnect(int error) {
    if (!WorkerRunning()) return;
    if (error == 0 && m_doc.Run().m_playback == 0) {
        SetLinkState(LinkState::Up);
        if (!m_doc.Run().m_hold) SendCommand(); // byte 5 is not cleared here
    } else {
        SetLinkState(LinkState::Down);
        if (!m_doc.Run().m_playback) ArmWatchdog();
    }
}

void HeadLink::OnReceive() {
    if (!m_socket) return;
    if (!WorkerRunning() || m_doc.Run().m_playback) {
        // Ignored, but read and thrown away so nothing piles up in memory.
        while (m_socket->read(reinterpret_cast<char*>(m_receiveBuffer.data()),
                              static_cast<qint64>(m_receiveBuffer.size())) > 0) {
        }
        m_assembler.Discard();
        return;
    }

    for (;;) {
        const qint64 n = m_socket->read(reinterpret_cast<char*>(m_receiveBuffer.data()),
                                        static_cast<qint64>(m_receiveBuffer.size()));
        if (n <= 0) break;
        m_assembler.Append(std::span(m_receiveBuffer.data(), static_cast<std::size_t>(n)));
    }

    // Every complete record in the stream is recorded and handed over; the
    // cycle then sends one command, so a burst of records never leaves more
    // than one command outstanding.
    ReplyAssembler::Record record;
    bool complete = false;
    while (m_assembler.Next(record)) {
        if (!complete) SetReplyPending(0);
        complete = true;
        KillWatchdog();
        emit replyFramed(record);
        ++m_counters.records;
        if (m_worker->HandOver(record) && !m_doc.Run().m_closing) emit sensorPollDue();
    }
    if (!complete) {
        // Part of a record: wait for the rest, the watchdog still guards.
        ++m_counters.partialReads;
        ArmWatchdog();
        return;
    }

    if (!m_doc.Run().m_hold && !m_doc.Run().m_playback) {
        ArmWatchdog();
        if (const int ms = SendDelayMilliseconds(m_doc.Settings().m_sendDelay); ms > 0) {
            // The command leaves as it stands now (the flags byte is cleared
            // below), once the delay has passed.
            m_delayed = m_doc.Command();
            m_sendTimer.start(ms);
        } else {
            SendCommand();
        }
    }
    m_doc.SetCommandByte(kCmdFlags, 0);
    emit windowsRefreshDue(m_worker->PingsSinceRepaint() == 0);
}

void HeadLink::OnClose() {
    SetLinkState(LinkState::Down);
    ArmWatchdog();
}

void HeadLink::WatchdogTimerProc() {
    KillWatchdog();
    ++m_counters.watchdogTicks;
    if (!m_doc.Run().m_playback && !m_doc.Run().m_hold) {
        m_doc.SetCommandByte(kCmdStepSize, 3);
        SetReplyPending(m_state == LinkState::Up ? 1 : 0);
        {
            std::lock_guard lock(m_doc.PingMutex());
            m_doc.StampTime();
        }
        if (!m_doc.Run().m_closing) emit sensorPollDue();
        emit headSilent();
        if (m_state == LinkState::Up) {
            // The answer to the command being resent starts afresh: bytes of
            // a record that never completed would shift every later record.
            m_assembler.Discard();
            ResendCommand();
        } else {
            StartHeadLink();
        }
    }
    ArmWatchdog();
}
