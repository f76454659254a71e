#include "link/UdpOutput.h"

#include <atomic>
#include <cstring>

#include <QHostAddress>
#include <QThread>
#include <QUdpSocket>
#include <QtGlobal>

#include <netinet/in.h>
#include <sys/socket.h>

#include "doc/TubescanDoc.h"
#include "link/Destination.h"

// The destination in the form the system's send call takes, built once so a
// send from the acquisition thread touches no Qt object.
struct UdpDestination {
    sockaddr_storage address{};
    socklen_t length = 0;
};

namespace {

constexpr quint16 kLocalPort = 2;

void Warn(const std::string& text) {
    qWarning("%s", text.c_str());
}

std::unique_ptr<UdpDestination> MakeDestination(const QHostAddress& host, quint16 port) {
    auto d = std::make_unique<UdpDestination>();
    bool isV4 = false;
    const quint32 v4 = host.toIPv4Address(&isV4);
    if (isV4) {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(port);
        sa.sin_addr.s_addr = htonl(v4);
        std::memcpy(&d->address, &sa, sizeof sa);
        d->length = sizeof sa;
    } else {
        sockaddr_in6 sa{};
        sa.sin6_family = AF_INET6;
        sa.sin6_port = htons(port);
        const Q_IPV6ADDR a = host.toIPv6Address();
        std::memcpy(&sa.sin6_addr, a.c, sizeof a.c);
        sa.sin6_scope_id = host.scopeId().toUInt();
        std::memcpy(&d->address, &sa, sizeof sa);
        d->length = sizeof sa;
    }
    return d;
}

} // namespace

void UdpOutput::SocketDeleter::operator()(QUdpSocket* socket) const {
    // The last user may be the acquisition thread; the socket belongs to the
    // thread that made it.
    if (socket->thread() == QThread::currentThread())
        delete socket;
    else
        socket->deleteLater();
}

UdpOutput::UdpOutput(const std::string& address, int port) {
    const Destination target = ResolveDestination(address, "UDP output");
    if (!target.refusal.empty()) {
        m_refusal = target.refusal;
        Warn(m_refusal);
        return;
    }
    if (port < 1 || port > 65535) {
        m_refusal =
            "UDP output: " + std::to_string(port) + " is not a port number; nothing is sent.";
        Warn(m_refusal);
        return;
    }
    // The listeners of this output have always been IPv4 hosts: a name's
    // first IPv4 address is taken.
    const QHostAddress host = target.host.isNull() ? LookUpName(target.name) : target.host;
    if (host.isNull()) {
        m_refusal = "UDP output: cannot find the address of " + address + "; nothing is sent.";
        Warn(m_refusal);
        return;
    }

    // Bound to the interface that reaches the destination: a loopback
    // destination gets a socket that exists only on loopback.
    bool isV4 = false;
    host.toIPv4Address(&isV4);
    const QHostAddress local =
        host.isLoopback()
            ? QHostAddress(isV4 ? QHostAddress::LocalHost : QHostAddress::LocalHostIPv6)
            : QHostAddress(isV4 ? QHostAddress::AnyIPv4 : QHostAddress::AnyIPv6);
    m_socket.reset(new QUdpSocket);
    if (!m_socket->bind(local, kLocalPort)) {
        // Ports below 1024 need privileges here, and two instances cannot both
        // have port 2: take any port rather than send nothing.
        static std::atomic<bool> noted{false};
        if (!noted.exchange(true))
            qInfo("UDP output: local port %d unavailable (%s); the system chooses the port.",
                  int(kLocalPort), qPrintable(m_socket->errorString()));
        m_socket.reset(new QUdpSocket);
        if (!m_socket->bind(local, 0)) {
            m_refusal = "UDP output: no socket (" + m_socket->errorString().toStdString() +
                        "); nothing is sent.";
            Warn(m_refusal);
            m_socket.reset();
            return;
        }
    }
    m_localPort = m_socket->localPort();
    m_localAddress = m_socket->localAddress().toString().toStdString();
    m_descriptor = static_cast<int>(m_socket->socketDescriptor());
    m_destination = MakeDestination(host, static_cast<quint16>(port));
}

UdpOutput::~UdpOutput() = default;

void UdpOutput::Send(std::string_view bytes) noexcept {
    if (!m_destination || m_descriptor < 0) return;
    // The socket is non-blocking and the call does not wait for buffer space:
    // a datagram that does not fit is dropped, like any other send failure.
    (void)::sendto(m_descriptor, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                   reinterpret_cast<const sockaddr*>(&m_destination->address),
                   m_destination->length);
}

UdpOutputMaker::UdpOutputMaker(CTubescanDoc& doc) : m_doc(doc) {
    m_doc.AddObserver(this);
}

UdpOutputMaker::~UdpOutputMaker() {
    m_doc.RemoveObserver(this);
}

void UdpOutputMaker::OnCreateUdpOutput() {
    if (!m_doc.Outputs().Udp().Exists())
        m_doc.Outputs().Udp().Reset(
            std::make_shared<UdpOutput>(m_doc.Settings().m_udpAddress, m_doc.Settings().m_udpPort));
}
