#include "doc/DiagnosticsRows.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "doc/TubescanDoc.h"
#include "format/NumberText.h"

namespace diag {

namespace {

constexpr const char* kPrefix = ":   ";

std::string Int(int v) {
    return std::to_string(v);
}

// A garbled record can carry any byte in its signature; the window shows
// only printable characters.
std::string Printable(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c < 0x20 || c > 0x7E) c = '.';
    return out;
}

std::string Hex(int v) {
    static constexpr char kDigits[] = "0123456789abcdef";
    auto u = static_cast<unsigned>(v);
    std::string out;
    do {
        out.insert(out.begin(), kDigits[u & 0xF]);
        u >>= 4;
    } while (u != 0);
    return "0x" + out;
}

} // namespace

const std::array<RowLayout, kRowCount>& RowLayouts() {
    static constexpr std::array<RowLayout, kRowCount> rows = {{
        {"Header", 1017},     {"Status", 1020},       {"Range", 1021},      {"Gain", 1022},
        {"SectorSize", 1024}, {"TrainAngle", 1025},   {"HeadPos", 1027},    {"DataBytes", 1028},
        {"Profile ", 1035},   {"Freqency", 1029},     {"Absorption", 1030}, {"Pulse Len", 1031},
        {"SendDelay", 1032},  {"SoundV", 1033},       {"IP Address", 1036}, {"Pitch", 1019},
        {"Roll ", 1040},      {"RealTime PRF", 1038}, {"Loop Time", 1041},
    }};
    return rows;
}

Source ReadSource(CTubescanDoc& doc) {
    std::lock_guard lock(doc.PingMutex());
    Source s;
    s.signature = doc.Frame().m_replySignature;
    s.status = doc.Frame().m_headStatus;
    s.rangeIndex = doc.Settings().m_rangeIndex;
    s.units = doc.Settings().m_units;
    s.gain = doc.Settings().m_gain;
    s.sectorCode = doc.Command()[headproto::kCmdSectorWidth];
    s.trainBearing = doc.Run().m_trainBearing;
    s.headPosition = doc.Frame().m_headPosition;
    s.dataBytes = doc.Frame().m_replyDataBytes;
    s.profileRange = doc.Frame().m_profileRange;
    s.frequency = doc.Settings().m_frequency;
    s.absorption = doc.Settings().m_absorption;
    s.pulseLength = doc.Settings().m_pulseLength;
    s.sendDelay = doc.Settings().m_sendDelay;
    s.soundVelocity = doc.Settings().m_soundVelocity;
    s.ipAddress = doc.Settings().m_ipAddress;
    s.sonarType = doc.Settings().m_sonarType;
    s.playback = doc.Run().m_playback != 0;
    s.pitchAvg = doc.Frame().m_pitchAvg;
    s.rollAvg = doc.Frame().m_rollAvg;
    s.pingPeriod = doc.Run().m_pingPeriod;
    s.loopTime = doc.Run().m_loopTime;
    return s;
}

bool FormatRow(Row row, const Source& s, std::string& text) {
    const bool pingSeen = !s.signature.empty();
    switch (row) {
    case kHeader:
        if (!pingSeen) return false;
        text = kPrefix + Printable(s.signature);
        return true;
    case kStatus:
        if (!pingSeen) return false;
        text = kPrefix + Hex(s.status);
        return true;
    case kRange: {
        // The index may come from a settings file; never read past the table.
        const auto index = static_cast<std::size_t>(std::clamp(s.rangeIndex, 0, 9));
        const double metres = headproto::kRangeTable[index];
        const int decimals = index == 0 ? 3 : 2;
        text = s.units > 0 ? kPrefix + FormatFixed(metres * 3.0, decimals) + " ft"
                           : kPrefix + FormatFixed(metres, decimals) + " m";
        return true;
    }
    case kGain:
        text = kPrefix + Int(s.gain) + " dB";
        return true;
    case kSectorSize:
        text = kPrefix + Int(s.sectorCode * 3) + " deg.";
        return true;
    case kTrainAngle:
        text = kPrefix + Int(s.trainBearing) + " deg.";
        return true;
    case kHeadPos:
        text = kPrefix + Int(s.headPosition) + " ";
        return true;
    case kDataBytes:
        text = kPrefix + Int(s.dataBytes) + " ";
        return true;
    case kProfile:
        if (s.profileRange < 0) return false;
        text = kPrefix + Int(s.profileRange);
        return true;
    case kFrequency:
        text = ":   2.25 MHz";
        return true;
    case kAbsorption:
        text = kPrefix + FormatFixed(s.absorption / 100.0, 2) + " dB/m";
        return true;
    case kPulseLen:
        text = kPrefix + Int(s.pulseLength) + " usec";
        return true;
    case kSendDelay:
        if (s.playback) return false;
        text = kPrefix + Int(s.sendDelay) + " usec";
        return true;
    case kSoundV:
        text = kPrefix + FormatFixed(s.soundVelocity, 1) + " m/s";
        return true;
    case kIpAddress:
        if (s.playback || s.sonarType != 1) return false;
        text = kPrefix + Printable(s.ipAddress);
        return true;
    case kPitch:
        if (!pingSeen) return false;
        text = kPrefix + FormatFixed(s.pitchAvg, 1, 5) + " deg.";
        return true;
    case kRoll:
        if (!pingSeen) return false;
        text = kPrefix + FormatFixed(s.rollAvg, 1, 5) + " deg.";
        return true;
    case kPingRate:
        if (!(s.pingPeriod > 0.0) || !std::isfinite(s.pingPeriod)) {
            text = kNotAvailable;
            return true;
        }
        text = kPrefix + Int(static_cast<int>(std::lround(std::min(s.pingPeriod, 1e9)))) + " ms (" +
               Int(static_cast<int>(std::min(1000.0 / s.pingPeriod, 1e9))) + " Hz)";
        return true;
    case kLoopTime:
        if (!(s.loopTime > 0.0) || !std::isfinite(s.loopTime)) {
            text = kNotAvailable;
            return true;
        }
        text = kPrefix + Int(static_cast<int>(std::lround(std::min(s.loopTime, 1e9)))) + " ms ";
        return true;
    case kRowCount:
        break;
    }
    return false;
}

void Rows::Reset() {
    for (int r = 0; r < kRowCount; ++r) {
        Line& line = m_rows[static_cast<std::size_t>(r)];
        line.written = false;
        if (r != kPingRate && r != kLoopTime) line.text = kNotAvailable;
    }
}

std::vector<Row> Rows::Refresh(const Source& s) {
    std::vector<Row> changed;
    std::string text;
    for (int r = 0; r < kRowCount; ++r) {
        const Row row = static_cast<Row>(r);
        if (!FormatRow(row, s, text)) continue;
        Line& line = m_rows[static_cast<std::size_t>(r)];
        line.written = true;
        if (text == line.text) continue;
        line.text = text;
        changed.push_back(row);
    }
    return changed;
}

} // namespace diag
