#include "link/SerialPorts.h"

#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <span>
#include <utility>

#include "doc/TubescanDoc.h"
#include "format/IniFile.h"

namespace {

constexpr const char* kConfiguredPath = "configuredPath";

std::string ComName(int port) {
    return "COM" + std::to_string(port);
}

// Why a device could not be opened, in words that point at the real cause:
// the dialout group only where the device is there and refuses this user.
std::string OpenFailure(const QSerialPort& port, const std::string& device) {
    const QFileInfo info(QString::fromStdString(device));
    if (!info.exists()) return "no such device";
    std::string reason = port.errorString().toStdString();
    if (port.error() == QSerialPort::PermissionError) {
        if (!(info.isReadable() && info.isWritable()))
            reason += " (is your user in the \"dialout\" group?)";
        else if (port.objectName().size() > 200)
            reason += " (the device's name is too long for its lock file)";
    }
    return reason;
}

// Why an open port stopped: a device that is gone, or one whose other end
// closed (a pseudo-terminal's sensor side, an adaptor reset), reports only
// "Resource temporarily unavailable", which tells the operator nothing.
std::string LossReason(const QSerialPort& port) {
    // The object name holds the device's path as opened (portName() drops
    // a leading /dev/).
    if (!QFileInfo::exists(port.objectName())) return "the device was removed";
    if (port.error() == QSerialPort::ResourceError) return "the device was closed";
    return "the device failed: " + port.errorString().toStdString();
}

// The configured path, with the node it was opened as where that differs.
QString DeviceName(const QSerialPort& port) {
    const QString configured = port.property(kConfiguredPath).toString();
    if (configured.isEmpty() || configured == port.objectName()) return port.objectName();
    return configured + " [" + port.objectName() + "]";
}

} // namespace

SerialPorts::SerialPorts(CTubescanDoc& doc, QObject* parent) : QObject(parent), m_doc(doc) {
    m_pollTimer.setInterval(kPollIntervalMs);
    // The head's watchdog polls only while the head is silent, and a reply
    // polls only every 100th ping: on a timer of its own the distance never
    // goes stale for more than about a second.
    connect(&m_pollTimer, &QTimer::timeout, this, [this] {
        if (!m_doc.Run().m_hold && !m_doc.Run().m_playback && !m_doc.Run().m_closing)
            PollOrientationSensor();
    });
    m_doc.AddObserver(this);
}

SerialPorts::~SerialPorts() {
    m_doc.RemoveObserver(this);
    CloseComPorts();
}

std::string SerialPorts::DeviceOf(int port) const {
    return SerialDeviceForPort(IniFile::Load(m_doc.SettingsPath()), port).path;
}

QSerialPort* SerialPorts::OpenCommPort(int port, int baud, std::string* error) {
    const std::string device = DeviceOf(port);
    if (device.empty()) {
        if (error) *error = ComName(port) + " names no serial device";
        return nullptr;
    }
    auto* p = new QSerialPort(this);
    // Opened under the name of the device itself: Qt names its lock file
    // after the port's whole path, so a long link (or folder) name would
    // make the lock, and with it the open, fail; and two links to one
    // device then share one lock.
    const QString real = QFileInfo(QString::fromStdString(device)).canonicalFilePath();
    const QString path = real.isEmpty() ? QString::fromStdString(device) : real;
    p->setPortName(path);
    p->setObjectName(path);
    // The operator knows the device by the path in the settings (a link in
    // /dev/serial/by-id, say), not by the node it resolved to this time.
    p->setProperty(kConfiguredPath, QString::fromStdString(device));
    // Opened without blocking and exclusively.
    if (!p->open(QIODevice::ReadWrite)) {
        if (error) *error = ComName(port) + " (" + device + "): " + OpenFailure(*p, device);
        delete p;
        return nullptr;
    }
    const bool set = p->setBaudRate(baud) && p->setDataBits(QSerialPort::Data8) &&
                     p->setParity(QSerialPort::NoParity) && p->setStopBits(QSerialPort::OneStop) &&
                     p->setFlowControl(QSerialPort::NoFlowControl);
    if (!set) {
        const std::string reason = p->errorString().toStdString();
        m_doc.ShowMessage("'OpenCommPort ()': 'SetCommState ()' for " + std::to_string(port) +
                          " (" + device + ") failed! \nPlease check its settings.");
        if (error) *error = ComName(port) + " (" + device + "): " + reason;
        p->close();
        delete p;
        return nullptr;
    }
    p->clear(QSerialPort::AllDirections);
    return p;
}

void SerialPorts::OpenHeadComPort() {
    ReleasePort(m_sonarCom);
    std::string error;
    m_sonarCom =
        OpenCommPort(m_doc.Settings().m_sonarComPort, m_doc.Settings().m_sonarComPortBaud, &error);
    if (!m_sonarCom) {
        std::fprintf(stderr, "tubescan: head serial port %s\n", error.c_str());
        m_doc.ShowMessage(ComName(m_doc.Settings().m_sonarComPort) +
                          " is not available. \nPlease choose another COM Port for Sonar "
                          "data input!   ");
        return;
    }
    connect(m_sonarCom, &QSerialPort::errorOccurred, this, &SerialPorts::OnPortError);
    // Nothing is read from this port; what the head might send is dropped.
    connect(m_sonarCom, &QSerialPort::readyRead, this, [this] {
        if (m_sonarCom) m_sonarCom->readAll();
    });
    m_doc.Run().m_closing = 0;
}

bool SerialPorts::OpenOrientationPort() {
    ReleasePort(m_prdCom);
    m_comLength = 0;
    std::string error;
    m_prdCom =
        OpenCommPort(m_doc.Settings().m_prdComPort, m_doc.Settings().m_prdComPortBaud, &error);
    if (!m_prdCom) {
        std::fprintf(stderr, "tubescan: orientation input not opened: %s\n", error.c_str());
        m_pollTimer.stop();
        return false;
    }
    connect(m_prdCom, &QSerialPort::readyRead, this, &SerialPorts::CollectOrientationBytes);
    connect(m_prdCom, &QSerialPort::errorOccurred, this, &SerialPorts::OnPortError);
    m_pollTimer.start();
    return true;
}

void SerialPorts::CloseComPorts() {
    m_pollTimer.stop();
    ReleasePort(m_sonarCom);
    ReleasePort(m_prdCom);
    m_comLength = 0;
}

void SerialPorts::ReleasePort(QSerialPort*& port) {
    if (!port) return;
    port->disconnect(this);
    if (port->isOpen()) {
        port->clear(QSerialPort::AllDirections);
        port->close();
    }
    // It may be the sender of the error being handled.
    port->deleteLater();
    port = nullptr;
}

void SerialPorts::CollectOrientationBytes() {
    if (!m_prdCom) return;
    const QByteArray bytes = m_prdCom->readAll();
    const double arrival = OrientationClock();
    // The newest bytes are kept: a record is worth only as much as it is
    // fresh. A flood longer than the buffer keeps its tail.
    std::size_t take = static_cast<std::size_t>(bytes.size());
    const char* from = bytes.constData();
    if (take > m_comBytes.size()) {
        from += take - m_comBytes.size();
        take = m_comBytes.size();
    }
    if (m_comLength + take > m_comBytes.size()) {
        const std::size_t drop = m_comLength + take - m_comBytes.size();
        std::memmove(m_comBytes.data(), m_comBytes.data() + drop, m_comLength - drop);
        m_comLength -= drop;
    }
    std::copy_n(from, take, reinterpret_cast<char*>(m_comBytes.data()) + m_comLength);
    m_comLength += take;

    // The newest complete record, stamped with when it arrived; what is
    // left after it (a record still coming) waits for the next bytes.
    std::size_t end = 0;
    const auto record =
        orientation::ParseNewestOrientationRecord(std::span(m_comBytes.data(), m_comLength), &end);
    if (end == 0) return;
    std::memmove(m_comBytes.data(), m_comBytes.data() + end, m_comLength - end);
    m_comLength -= end;
    if (record) {
        ApplyOrientationRecord(m_doc, *record, arrival);
        m_fresh = true;
    }
}

void SerialPorts::PollOrientationSensor() {
    if (!m_prdCom) return;
    CollectOrientationBytes();
    ++m_polls;
    if (std::exchange(m_fresh, false)) emit orientationUpdated();
    emit portStatusChanged();
}

void SerialPorts::OnPortError(QSerialPort::SerialPortError error) {
    // A vanished device (unplugged adaptor, closed pseudo-terminal) reports a
    // resource or read error, and keeps reporting it: close the port.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) return;
    auto* port = qobject_cast<QSerialPort*>(sender());
    if (!port) return;
    const bool orientation = port == m_prdCom;
    const int number =
        orientation ? m_doc.Settings().m_prdComPort : m_doc.Settings().m_sonarComPort;
    std::fprintf(stderr, "tubescan: %s %s (%s) closed: %s\n",
                 orientation ? "orientation input" : "head serial port", ComName(number).c_str(),
                 qPrintable(DeviceName(*port)), LossReason(*port).c_str());
    if (orientation) {
        ReleasePort(m_prdCom);
        m_pollTimer.stop();
        m_comLength = 0;
        // The last values stay (Z of later points), but the records and the
        // status bar no longer present them as measured.
        InvalidateOrientationValues(m_doc);
        emit portStatusChanged();
    } else {
        ReleasePort(m_sonarCom);
    }
}

void SerialPorts::ApplyComPortSetup(const ComPortChoice& chosen) {
    CTubescanDoc& d = m_doc;
    if (chosen.headPort != d.Settings().m_sonarComPort) {
        d.Settings().m_sonarComPort = chosen.headPort;
        d.Run().m_closing = 1;
        if (m_sonarCom) m_sonarCom->clear(QSerialPort::AllDirections);
        d.ForgetPendingReply(); // the head link's flag, through its owner
        OpenHeadComPort();
    }
    // Kept whatever the head port does, so the dialog shows it next time.
    d.Settings().m_rts = chosen.rts;
    d.Run().m_closing = 0;
    ReleasePort(m_prdCom);
    m_pollTimer.stop();
    m_comLength = 0;
    d.Settings().m_prdComPort = chosen.orientationPort;
    d.Settings().m_enablePRDInput = chosen.orientationEnabled;
    d.Settings().m_prdComPortBaud = BaudOfIndex(chosen.baudIndex);
    if (d.Settings().m_enablePRDInput) OpenOrientationPort();
    // The connect command reloads the settings file: without this the choice
    // would be undone by the next connect.
    if (!d.SaveSettings()) std::fprintf(stderr, "tubescan: %s\n", d.LastSettingsError().c_str());
}

std::vector<std::string> AvailableComPortEntries(const std::string& settingsPath) {
    std::set<std::string> system;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        system.insert(info.systemLocation().toStdString());
    return ComPortEntries(IniFile::Load(settingsPath), [&](const SerialDevice& device) {
        if (device.named) return QFileInfo::exists(QString::fromStdString(device.path));
        return system.count(device.path) != 0;
    });
}
