#include "doc/ComPorts.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <mutex>

#include "doc/TubescanDoc.h"

SerialDevice SerialDeviceForPort(const IniFile& settings, int port) {
    if (port < 1) return {};
    // A device path is kept whole: cut short it would name another file.
    if (auto named =
            settings.Get(kSerialPortsSection, "COM" + std::to_string(port), std::string::npos);
        named && !named->empty())
        return {*named, true};
    return {"/dev/ttyS" + std::to_string(port - 1), false};
}

std::vector<std::string> ComPortEntries(const IniFile& settings, const DeviceExists& exists) {
    std::vector<std::string> entries;
    for (int n = kFirstListedComPort; n <= kLastListedComPort; ++n) {
        const SerialDevice device = SerialDeviceForPort(settings, n);
        if (exists && exists(device))
            entries.push_back("COM" + std::to_string(n) + " (" + device.path + ")");
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::optional<int> ParseComEntry(std::string_view entry) {
    if (entry.substr(0, 3) != "COM") return std::nullopt;
    entry.remove_prefix(3);
    int n = 0;
    const auto [end, ec] = std::from_chars(entry.data(), entry.data() + entry.size(), n);
    if (ec != std::errc() || end == entry.data()) return std::nullopt;
    return n;
}

int BaudIndexOf(int baud) {
    const auto it = std::find(kOrientationBaudRates.begin(), kOrientationBaudRates.end(), baud);
    return it == kOrientationBaudRates.end() ? 0
                                             : static_cast<int>(it - kOrientationBaudRates.begin());
}

int BaudOfIndex(int index) {
    if (index < 0 || index >= static_cast<int>(kOrientationBaudRates.size()))
        return kOrientationBaudRates[0];
    return kOrientationBaudRates[static_cast<std::size_t>(index)];
}

ComPortChoice ComPortChoiceFromDocument(const CTubescanDoc& doc) {
    ComPortChoice c;
    c.headPort = doc.Settings().m_sonarComPort;
    c.orientationPort = doc.Settings().m_prdComPort;
    c.baudIndex = BaudIndexOf(doc.Settings().m_prdComPortBaud);
    c.headModel = doc.Settings().m_sonarType;
    c.rts = doc.Settings().m_rts;
    c.orientationEnabled = doc.Settings().m_enablePRDInput;
    return c;
}

void ApplyOrientationRecord(CTubescanDoc& doc, const orientation::Record& record, double arrival) {
    std::lock_guard lock(doc.PingMutex());
    orientation::Record taken;
    const auto take = [](const orientation::Field& f, double offset, double& value, int& valid,
                         orientation::Field& out) {
        value = f.valid ? f.value + offset : 0.0;
        valid = f.valid ? 1 : 0;
        out = {value, f.valid};
    };
    ExternalSensors sensors;
    take(record.pitch, doc.Settings().m_pitchOffset, sensors.pitch, sensors.pitchValid,
         taken.pitch);
    take(record.roll, doc.Settings().m_rollOffset, sensors.roll, sensors.rollValid, taken.roll);
    take(record.distance, 0.0, sensors.distance, sensors.distanceValid, taken.distance);
    const orientation::Track& track = doc.OrientationTrack();
    if (!doc.AddOrientationReading(arrival, taken, doc.Settings().m_carrierTopSpeed)) {
        // A step no carrier makes: the record keeps the distance it had.
        sensors.distance = track.Newest(orientation::Track::Distance).value;
    } else if (taken.distance.valid) {
        // The distance as the pings get it from now on, which runs up to
        // the new reading: the raw reading here would make it step back.
        sensors.distance = doc.Frame().m_pingDistance =
            track.At(arrival, orientation::Track::Distance).value;
    }
    doc.SetSensors(sensors);
}

double OrientationClock() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void TakeOrientationAt(CTubescanDoc& doc, double seconds) {
    if (!doc.Settings().m_enablePRDInput) return;
    const orientation::Track& track = doc.OrientationTrack();
    ExternalSensors sensors = doc.Sensors();
    const orientation::Field distance = track.At(seconds, orientation::Track::Distance);
    if (distance.valid) {
        doc.Frame().m_pingDistance = distance.value;
        if (sensors.distanceValid) sensors.distance = distance.value;
    }
    const orientation::Field pitch = track.At(seconds, orientation::Track::Pitch);
    if (pitch.valid && sensors.pitchValid) sensors.pitch = pitch.value;
    const orientation::Field roll = track.At(seconds, orientation::Track::Roll);
    if (roll.valid && sensors.rollValid) sensors.roll = roll.value;
    doc.SetSensors(sensors);
}

void InvalidateOrientationValues(CTubescanDoc& doc) {
    std::lock_guard lock(doc.PingMutex());
    ExternalSensors sensors = doc.Sensors();
    sensors.pitchValid = sensors.rollValid = sensors.distanceValid = 0;
    doc.SetSensors(sensors);
}
