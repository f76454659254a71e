// Shared pieces of the link tests: a settings file that keeps every address
// on loopback, return records built in code, and a fake head on 127.0.0.1.
#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "../core/TempDir.h"
#include "format/HeadProtocol.h"

namespace linktest {

using Record = std::array<std::uint8_t, headproto::kReturnRecordSize>;

// The settings every link test starts from: head and UDP output on loopback,
// the XYZ datagrams off. `extra` goes into [Sonar Settings].
inline void WriteLoopbackSettings(const TempDir& dir, const std::string& headAddress = "127.0.0.1",
                                  const std::string& extraSystem = {},
                                  const std::string& extraSonar = {}) {
    dir.Write("TubescanL.INI", "[System Settings]\r\nIP Address=" + headAddress +
                                   "\r\nOutput UDP Address=127.0.0.1\r\n"
                                   "Enable UDP Output XYZ=0\r\nEnable UDP Output PRD=0\r\n" +
                                   extraSystem + "[Sonar Settings]\r\n" + extraSonar);
}

// A well-formed record: signature I, type, X; a head position; a profile range.
inline Record MakeRecord(char type = 'M', int position = 600, int profile = 1000,
                         std::uint8_t fill = 20) {
    Record r{};
    r[0] = 'I';
    r[1] = static_cast<std::uint8_t>(type);
    r[2] = 'X';
    r[3] = 16;
    r[5] = static_cast<std::uint8_t>(position & 0x7F);
    r[6] = static_cast<std::uint8_t>((position >> 7) & 0x3F);
    r[7] = 10;
    r[8] = static_cast<std::uint8_t>(profile & 0x7F);
    r[9] = static_cast<std::uint8_t>(profile >> 7);
    r[10] = 250 & 0x7F;
    r[11] = 250 >> 7;
    for (std::size_t i = 32; i < 282; ++i)
        r[i] = fill;
    r[282] = 0xFC;
    return r;
}

inline QByteArray Bytes(const Record& r) {
    return QByteArray(reinterpret_cast<const char*>(r.data()), static_cast<qsizetype>(r.size()));
}

// A head on 127.0.0.1 (or another loopback address) that collects the
// commands it receives and, unless told otherwise, answers each with MakeRecord().
class FakeHead {
  public:
    explicit FakeHead(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost),
                      quint16 port = 0) {
        m_server.listen(address, port);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                client = s;
                ++connections;
                m_input.clear();
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { Read(s); });
            }
        });
    }
    quint16 Port() const { return m_server.serverPort(); }

    void Send(const QByteArray& bytes) {
        if (!client) return;
        client->write(bytes);
        client->flush();
        if (!bytes.isEmpty()) ++replies;
    }

    std::vector<headproto::HeadCommand> commands;
    // Called for every command; the default answers with one record.
    std::function<void(const headproto::HeadCommand&)> onCommand = [this](const auto&) {
        Send(Bytes(MakeRecord()));
    };
    QTcpSocket* client = nullptr;
    int connections = 0;
    int replies = 0;
    // Commands that arrived while an earlier one was still unanswered.
    int overlapping = 0;

  private:
    void Read(QTcpSocket* s) {
        m_input.append(s->readAll());
        while (m_input.size() >= static_cast<qsizetype>(headproto::kCommandSize)) {
            headproto::HeadCommand c{};
            std::copy_n(reinterpret_cast<const std::uint8_t*>(m_input.constData()), c.size(),
                        c.begin());
            m_input.remove(0, static_cast<qsizetype>(c.size()));
            if (static_cast<int>(commands.size()) > replies) ++overlapping;
            commands.push_back(c);
            onCommand(c);
        }
    }

    QTcpServer m_server;
    QByteArray m_input;
};

} // namespace linktest
