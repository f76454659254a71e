// The UDP output socket: a datagram socket bound to local port 2 (or, where
// this system does not let us have port 2, a port it chooses) that sends every
// profile point to the address and port of the settings file.
#pragma once

#include <memory>
#include <string>

#include "doc/DocumentObserver.h"
#include "doc/XyzSinks.h"

class CTubescanDoc;
class QUdpSocket;

struct UdpDestination;

class UdpOutput final : public DatagramSink {
  public:
    // Opens the socket in the calling thread (the user-interface thread).
    // The destination is resolved once here. While loopback-only operation is
    // asked for, a destination off this machine is refused: the socket then
    // exists but sends nothing, and `refusal()` says why.
    UdpOutput(const std::string& address, int port);
    ~UdpOutput() override;

    // Never blocks and ignores failures (a full buffer or an unreachable
    // listener must not hold up the acquisition thread).
    void Send(std::string_view bytes) noexcept override;

    bool CanSend() const { return m_destination != nullptr; }
    // Local port the socket is bound to (2, or the system's choice); 0 when
    // it could not be bound at all.
    int localPort() const { return m_localPort; }
    // The local address the socket is bound to ("127.0.0.1" for a loopback
    // destination); empty when there is no socket.
    const std::string& localAddress() const { return m_localAddress; }
    const std::string& refusal() const { return m_refusal; }

  private:
    struct SocketDeleter {
        void operator()(QUdpSocket* socket) const;
    };
    std::unique_ptr<QUdpSocket, SocketDeleter> m_socket;
    std::unique_ptr<UdpDestination> m_destination;
    int m_descriptor = -1;
    int m_localPort = 0;
    std::string m_localAddress;
    std::string m_refusal;
};

// Makes the document's UDP output socket whenever the document asks for one
// (CreateUdpOutput) and none exists: from the document's "Output UDP Address"
// and "Output UDP Port" (the head link closes it with the head socket).
// Observes the document from construction to destruction.
class UdpOutputMaker final : public DocumentObserver {
  public:
    explicit UdpOutputMaker(CTubescanDoc& doc);
    ~UdpOutputMaker() override;
    UdpOutputMaker(const UdpOutputMaker&) = delete;
    UdpOutputMaker& operator=(const UdpOutputMaker&) = delete;

    void OnCreateUdpOutput() override;

  private:
    CTubescanDoc& m_doc;
};
