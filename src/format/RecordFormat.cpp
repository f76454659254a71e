#include "format/RecordFormat.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "doc/TubescanDoc.h"

namespace record {

using namespace headproto;

namespace {

void PutText(Record& r, std::size_t offset, const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        r[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
}

void PutFloat(Record& r, std::size_t offset, double value) {
    const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(value));
    for (int i = 0; i < 4; ++i)
        r[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

float GetFloat(const std::uint8_t* p) {
    const std::uint32_t bits =
        static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
        (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    return std::bit_cast<float>(bits);
}

// A double scaled and cut to an unsigned 16-bit field, as the record has
// always stored it (wrapping above 65535); nonsense values give 0 instead of
// undefined behaviour.
std::uint16_t TruncToU16(double value) {
    if (!std::isfinite(value) || value < 0.0 || value >= 9.0e18) return 0;
    return static_cast<std::uint16_t>(static_cast<std::uint64_t>(value) & 0xFFFFu);
}

// atoi over a fixed piece of the record: leading blanks, a sign, digits.
int AtoiField(const std::uint8_t* p, std::size_t width) {
    std::size_t i = 0;
    while (i < width && (p[i] == ' ' || (p[i] >= '\t' && p[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < width && (p[i] == '+' || p[i] == '-')) negative = p[i++] == '-';
    int value = 0;
    while (i < width && p[i] >= '0' && p[i] <= '9')
        value = value * 10 + (p[i++] - '0');
    return negative ? -value : value;
}

// A NUL-terminated text of at most maxChars characters.
std::string CText(const std::uint8_t* p, std::size_t maxChars) {
    std::size_t n = 0;
    while (n < maxChars && p[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

void CopyToCharArray(char* dst, std::size_t size, const std::string& text) {
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(dst, text.data(), n);
    std::memset(dst + n, 0, size - n);
}

} // namespace

std::uint8_t StepToCode(std::uint8_t step) {
    switch (step) {
    case 1:
        return 0;
    case 2:
        return 1;
    case 3:
        return 2;
    case 4:
        return 3;
    case 6:
        return 5;
    case 8:
        return 4;
    default:
        return 0;
    }
}

std::uint8_t CodeToStep(std::uint8_t code) {
    code &= 7;
    return code == 4 ? 8 : static_cast<std::uint8_t>(code + 1);
}

std::uint8_t DataWidthToCode(std::uint8_t width) {
    switch (width) {
    case 8:
        return 1;
    case 16:
        return 2;
    default:
        return 0; // 4 and anything unknown
    }
}

Record BuildRecord(const CTubescanDoc& doc) {
    Record r{};
    const auto& cmd = doc.m_command;
    r[0] = '3';
    r[1] = '1';
    r[2] = 'L';
    r[3] = 2;
    r[4] = static_cast<std::uint8_t>(kRecordSize >> 8);
    r[5] = static_cast<std::uint8_t>(kRecordSize & 0xFF);
    r[6] = static_cast<std::uint8_t>(kReturnRecordSize >> 8);
    r[7] = static_cast<std::uint8_t>(kReturnRecordSize & 0xFF);
    PutText(r, 8, doc.m_date, 11);
    PutText(r, 20, doc.m_time, 8);
    PutText(r, 29, doc.m_millis, 3);
    // While playing, the record being copied decides, not the operator's
    // present orientation setting, so a copy keeps what was recorded.
    const int prdInput = doc.m_playback == 1 ? doc.m_recordedPrdInput : doc.m_enablePRDInput;
    r[34] = prdInput == 1 ? 1 : 0;
    r[37] = static_cast<std::uint8_t>(
        ((doc.m_scanDirection & 1) << 7) | ((doc.m_xdcrFwdAft == 0 ? 1 : 0) << 6) |
        ((doc.m_sectorMode & 7) << 3) | StepToCode(cmd[kCmdStepSize]));
    r[38] = cmd[kCmdGain];
    r[39] = cmd[kCmdSectorWidth];
    r[40] = static_cast<std::uint8_t>(doc.m_trainBearing / 3);
    r[41] = cmd[kCmdRangeCode];
    r[42] = cmd[kCmdAbsorption];
    r[43] = static_cast<std::uint8_t>(((doc.m_zeroUpDown & 1) << 6) |
                                      (DataWidthToCode(cmd[kCmdDataWidth]) << 3) | 1);
    r[44] = cmd[kCmdPulseLength];
    const std::uint16_t v = TruncToU16(doc.m_soundVelocity * 10.0);
    r[46] = static_cast<std::uint8_t>((v >> 8) | 0x80);
    r[47] = static_cast<std::uint8_t>(v & 0xFF);
    r[80] = 0x08;
    r[81] = 0xCA;
    const std::uint16_t period = TruncToU16(doc.m_pingPeriod * 100.0);
    r[82] = static_cast<std::uint8_t>(period >> 8);
    r[83] = static_cast<std::uint8_t>(period & 0xFF);
    if (prdInput != 0) {
        r[100] = static_cast<std::uint8_t>((doc.m_extPitchValid != 0 ? 1 : 0) |
                                           (doc.m_extRollValid != 0 ? 2 : 0) |
                                           (doc.m_extDistanceValid != 0 ? 4 : 0));
        PutFloat(r, 101, doc.m_extPitch);
        PutFloat(r, 105, doc.m_extRoll);
        PutFloat(r, 109, doc.m_extDistance);
    }
    std::memcpy(r.data() + kHeaderOffset, doc.m_reply.header.data(), kReturnHeaderSize);
    std::memcpy(r.data() + kSamplesOffset, doc.m_reply.samples.data(), kSampleCount);
    r[510] = 0xFC;
    r[511] = 0;
    return r;
}

int SampleCountOfCode(std::uint8_t code) {
    static constexpr int kCounts[10] = {0, 128, 250, 500, 800, 1000, 1500, 2000, 3000, 4000};
    return code < 10 ? kCounts[code] : -1;
}

std::string DecodeDateText(std::span<const std::uint8_t, kSettingsSize> b) {
    if (b[19] == 0) return CText(b.data() + 8, 11);
    std::string text = CText(b.data() + 8, 7);
    // Any bytes may stand here: the year is kept to four digits so the date
    // always fits its 11 characters in time stamps, .xyz lines and copies.
    const int year =
        std::clamp(AtoiField(b.data() + 15, 2) * 100 + AtoiField(b.data() + 17, 3), 0, 9999);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d", year);
    return text + digits;
}

std::string DecodeMillisText(std::span<const std::uint8_t, kSettingsSize> b) {
    if (b[29] == 0) return "000";
    // Worked on a small C buffer, because the rules are about character
    // places: a short fraction such as ".1" stays "1".
    char buf[10] = {};
    for (std::size_t i = 0; i < 9 && b[29 + i] != 0; ++i)
        buf[i] = static_cast<char>(b[29 + i]);
    if (buf[0] == '.') {
        std::memmove(buf, buf + 1, 8);
        buf[8] = 0;
        buf[2] = '0';
    }
    for (int i = 0; i < 3; ++i)
        if (buf[i] == ' ') buf[i] = '0';
    return std::string(buf, ::strnlen(buf, sizeof buf));
}

RecordSettings DecodeSettings(std::span<const std::uint8_t, kSettingsSize> b) {
    RecordSettings s;
    s.sampleCode = b[3];
    s.length = BigEndian16(&b[4]);
    s.date = DecodeDateText(b);
    // The time field is 8 characters; without its terminator the text runs
    // on, but never past the document's 20-character working copy.
    s.time = CText(b.data() + 20, 19);
    s.millis = DecodeMillisText(b);
    s.orientationInput = (b[34] & 1) != 0;
    s.modeByte = b[37];
    s.gain = b[38];
    s.sectorWidth = b[39];
    s.trainThirds = b[40];
    s.rangeCode = b[41];
    s.absorption = b[42];
    s.widthByte = b[43];
    s.pulseLength = b[44];
    s.pingPeriod = BigEndian16(&b[82]);
    s.orientationFlags = b[100];
    s.extPitch = GetFloat(&b[101]);
    s.extRoll = GetFloat(&b[105]);
    s.extDistance = GetFloat(&b[109]);
    return s;
}

void ApplySettings(CTubescanDoc& doc, const RecordSettings& s) {
    auto& cmd = doc.m_command;
    if (const int count = SampleCountOfCode(s.sampleCode); count >= 0) doc.m_dataPoints = count;
    doc.m_recordLength = s.length;

    CopyToCharArray(doc.m_dateText, sizeof doc.m_dateText, s.date);
    doc.m_date = doc.m_dateText;
    CopyToCharArray(doc.m_timeText, sizeof doc.m_timeText, s.time);
    doc.m_time = doc.m_timeText;
    CopyToCharArray(doc.m_millisText, sizeof doc.m_millisText, s.millis);
    doc.m_millis = doc.m_millisText;

    doc.m_recordedPrdInput = s.orientationInput ? 1 : 0;

    doc.m_prevScanDirection = doc.m_scanDirection;
    doc.m_scanDirection = (s.modeByte >> 7) & 1;
    doc.m_sonarUpDown = (s.modeByte >> 6) & 1;
    doc.m_xdcrFwdAft = doc.m_sonarUpDown == 0 ? 1 : 0;
    doc.m_sectorMode = (s.modeByte >> 3) & 7;
    cmd[kCmdStepSize] = CodeToStep(s.modeByte & 7);

    cmd[kCmdGain] = s.gain;
    doc.m_gain = s.gain;
    cmd[kCmdSectorWidth] = s.sectorWidth;
    doc.m_trainBearing = s.trainThirds * 3;
    cmd[kCmdRangeCode] = s.rangeCode;
    doc.m_rangeIndex = RangeCodeToIndex(s.rangeCode);
    doc.m_range = kRangeTable[static_cast<std::size_t>(doc.m_rangeIndex)];
    cmd[kCmdAbsorption] = s.absorption;
    doc.m_absorption = s.absorption;

    switch ((s.widthByte >> 3) & 7) {
    case 0:
        cmd[kCmdDataWidth] = 4;
        break;
    case 1:
        cmd[kCmdDataWidth] = 8;
        break;
    case 2:
        cmd[kCmdDataWidth] = 16;
        break;
    default:
        break;
    }
    cmd[kCmdByte9] = s.widthByte & 7;
    doc.m_zeroUpDown = (s.widthByte >> 6) & 1;

    doc.m_pingPeriod = s.pingPeriod / 100.0;
    cmd[kCmdPulseLength] = s.pulseLength;
    doc.m_pulseLength = s.pulseLength;
    cmd[kCmdByte22] = 0;

    // A value that is not a number (or, for the angles, not an angle) would
    // travel into the beam angle and the exported points: it is taken as
    // missing instead.
    auto take = [](float value, double limit, int flag, double& field, int& valid) {
        const bool usable = std::isfinite(value) && std::fabs(value) <= limit;
        field = usable ? value : 0.0;
        valid = usable ? flag : 0;
    };
    take(s.extPitch, 180.0, s.orientationFlags & 1, doc.m_extPitch, doc.m_extPitchValid);
    take(s.extRoll, 180.0, s.orientationFlags & 2, doc.m_extRoll, doc.m_extRollValid);
    take(s.extDistance, 1.0e9, s.orientationFlags & 4, doc.m_extDistance, doc.m_extDistanceValid);
}

} // namespace record
