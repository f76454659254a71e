// Serial port numbers and the orientation input's values, without any port
// I/O: which device a COM number means, the entries the COM Port Setup lists
// offer, the baud list, and how a parsed orientation record lands in the
// document.
//
// The settings file keeps numeric port keys ("SonarComPort", "PRDComPort") so
// files from the field keep working. COM n is the device named by key "COMn"
// of the optional section [Serial Ports] (a /dev/ttyUSB0, a
// /dev/serial/by-id/... link, a pseudo-terminal), else /dev/ttyS{n-1}.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/IniFile.h"
#include "format/OrientationRecord.h"

class CTubescanDoc;

inline constexpr const char* kSerialPortsSection = "Serial Ports";
// The COM Port Setup lists offer COM1 to COM32.
inline constexpr int kFirstListedComPort = 1;
inline constexpr int kLastListedComPort = 32;

// The device of COM port (empty for numbers below 1, which name no port),
// and whether the settings file named it.
struct SerialDevice {
    std::string path;
    bool named = false;
};
SerialDevice SerialDeviceForPort(const IniFile& settings, int port);

// "COM3 (/dev/ttyUSB0)" for every port 1..32 whose device `exists` says is
// there, sorted as text (so COM10 comes before COM2).
using DeviceExists = std::function<bool(const SerialDevice&)>;
std::vector<std::string> ComPortEntries(const IniFile& settings, const DeviceExists& exists);

// The number of a list entry read as "COM%d"; nullopt when it does not start so.
std::optional<int> ParseComEntry(std::string_view entry);

// The orientation input's baud list, in the order the dialog shows it.
inline constexpr std::array<int, 6> kOrientationBaudRates = {4800,  9600,  19200,
                                                             38400, 57600, 115200};
// A rate not in the list selects the first entry.
int BaudIndexOf(int baud);
int BaudOfIndex(int index);

// What the COM Port Setup dialog is handed and hands back.
struct ComPortChoice {
    int headPort = 1;
    int orientationPort = 3;
    int baudIndex = 3;
    int headModel = 1; // 0 enables the head's serial controls
    int rts = 0;       // 1 "RTS Enable", 0 "Auto Enable"
    int orientationEnabled = 0;
};
ComPortChoice ComPortChoiceFromDocument(const CTubescanDoc& doc);

// A complete record: each field with its offset (pitch, roll) or as it is
// (distance), or 0 and invalid when it was malformed. Takes the ping lock, as
// the acquisition thread reads these values for every ping.
// `arrival` is when the record came in, seconds of OrientationClock().
void ApplyOrientationRecord(CTubescanDoc& doc, const orientation::Record& record, double arrival);

// Seconds of a steady clock: the time base of the sensor's readings and the
// live pings.
double OrientationClock();

// A live ping at `seconds` takes the sensor's values at its own time: the
// fields whose newest record was valid get the interpolated value, and the
// ping's distance is the last valid one. The caller holds the ping lock.
void TakeOrientationAt(CTubescanDoc& doc, double seconds);

// The sensor is gone: its last values stay, but no longer count as valid.
void InvalidateOrientationValues(CTubescanDoc& doc);
