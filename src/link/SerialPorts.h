// The two serial ports: the orientation sensor's input (pitch, roll and
// distance records, polled about once a second) and the head's serial port,
// which can be opened but carries no traffic (the head talks over TCP).
//
// Nothing here waits: bytes are collected as the port reports them, and
// the newest complete record among them is taken at once with the time it
// arrived (so each ping can be given the values at its own time); the poll
// reports what arrived since the last one. A port that fails or disappears is closed
// and reported; the program carries on without it.
//
// Observes the document (closing the ports when it asks) from construction
// to destruction; the head link's sensorPollDue signal and the connect command's
// headLinkStarted are connected to PollOrientationSensor and
// OpenOrientationPort by whoever owns both. The document
// must outlive this object; everything runs on the thread that owns it.
#pragma once

#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "doc/ComPorts.h"
#include "doc/DocumentObserver.h"

class CTubescanDoc;

class SerialPorts : public QObject, private DocumentObserver {
    Q_OBJECT
  public:
    static constexpr int kPollIntervalMs = 1000;
    static constexpr std::size_t kPollBytes = 1024;

    explicit SerialPorts(CTubescanDoc& doc, QObject* parent = nullptr);
    ~SerialPorts() override;
    SerialPorts(const SerialPorts&) = delete;
    SerialPorts& operator=(const SerialPorts&) = delete;

    // Opens COM `port` at `baud`, 8 data bits, no parity, one stop bit, no
    // flow control, with both directions purged. Null on failure, with the
    // reason in *error (the settings message has already been shown when the
    // line settings were refused).
    QSerialPort* OpenCommPort(int port, int baud, std::string* error = nullptr);

    // The head's serial port. Its state is its own: the TCP link state is
    // never touched from here.
    void OpenHeadComPort();
    // The orientation input on "PRDComPort" at "PRDComPortBaud". A port that
    // cannot be opened leaves the input closed and says why on stderr.
    bool OpenOrientationPort();
    void CloseComPorts();
    void PollOrientationSensor();

    // The COM Port Setup dialog's OK: reopen what changed, store the choice.
    void ApplyComPortSetup(const ComPortChoice& chosen);

    bool HeadPortOpen() const { return m_sonarCom != nullptr; }
    bool OrientationPortOpen() const { return m_prdCom != nullptr; }
    std::uint64_t Polls() const { return m_polls; }

  signals:
    // After every poll since which a complete record arrived.
    void orientationUpdated();
    // A port failed or a poll came in: the status bar may show it.
    void portStatusChanged();

  private:
    void OnCloseComPorts() override { CloseComPorts(); }
    void CollectOrientationBytes();
    void OnPortError(QSerialPort::SerialPortError error);
    void ReleasePort(QSerialPort*& port);
    std::string DeviceOf(int port) const;

    CTubescanDoc& m_doc;
    QSerialPort* m_sonarCom = nullptr; // owned (child), null when closed
    QSerialPort* m_prdCom = nullptr;   // owned (child), null when closed
    std::array<std::uint8_t, kPollBytes> m_comBytes{};
    std::size_t m_comLength = 0;
    QTimer m_pollTimer;
    std::uint64_t m_polls = 0;
    bool m_fresh = false; // a record arrived since the last poll
};

// The entries the COM Port Setup lists offer: ports 1..32 whose device is
// there (a serial device the system reports, or a path named in the settings
// file's [Serial Ports] section that exists). Nothing is opened to find out:
// opening a port toggles its modem lines and resets some attached boards.
std::vector<std::string> AvailableComPortEntries(const std::string& settingsPath);
