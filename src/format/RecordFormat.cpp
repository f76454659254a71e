#include "format/RecordFormat.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

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

// A text field shown in time stamps, .xyz lines and copies: never longer
// than its place, whatever byte ends it (or does not), and printable only,
// so a control byte or a stray 0xFF never reaches a line or a screen.
std::string FieldText(const std::uint8_t* p, std::size_t width) {
    // In one pass on the stack: every record has two of these.
    char text[32];
    std::size_t n = 0;
    for (const std::size_t most = std::min(width, sizeof text); n < most && p[n] != 0; ++n)
        text[n] = p[n] < 0x20 || p[n] > 0x7E ? '?' : static_cast<char>(p[n]);
    return std::string(text, n);
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

Record EncodeRecord(const RecordFields& doc) {
    Record r{};
    const auto& cmd = doc.command;
    r[0] = '3';
    r[1] = '1';
    r[2] = 'L';
    r[3] = 2;
    r[4] = static_cast<std::uint8_t>(kRecordSize >> 8);
    r[5] = static_cast<std::uint8_t>(kRecordSize & 0xFF);
    r[6] = static_cast<std::uint8_t>(kReturnRecordSize >> 8);
    r[7] = static_cast<std::uint8_t>(kReturnRecordSize & 0xFF);
    PutText(r, 8, doc.date, 11);
    PutText(r, 20, doc.time, 8);
    PutText(r, 29, doc.millis, 3);
    const int prdInput = doc.prdInput;
    r[34] = prdInput == 1 ? 1 : 0;
    r[37] = static_cast<std::uint8_t>(((doc.scanDirection & 1) << 7) |
                                      ((doc.xdcrFwdAft == 0 ? 1 : 0) << 6) |
                                      ((doc.sectorMode & 7) << 3) | StepToCode(cmd[kCmdStepSize]));
    r[38] = cmd[kCmdGain];
    r[39] = cmd[kCmdSectorWidth];
    r[40] = static_cast<std::uint8_t>(doc.trainBearing / 3);
    r[41] = cmd[kCmdRangeCode];
    r[42] = cmd[kCmdAbsorption];
    r[43] = static_cast<std::uint8_t>(((doc.zeroUpDown & 1) << 6) |
                                      (DataWidthToCode(cmd[kCmdDataWidth]) << 3) | 1);
    r[44] = cmd[kCmdPulseLength];
    const std::uint16_t v = TruncToU16(doc.soundVelocity * 10.0);
    r[46] = static_cast<std::uint8_t>((v >> 8) | 0x80);
    r[47] = static_cast<std::uint8_t>(v & 0xFF);
    r[80] = 0x08;
    r[81] = 0xCA;
    const std::uint16_t period = TruncToU16(doc.pingPeriod * 100.0);
    r[82] = static_cast<std::uint8_t>(period >> 8);
    r[83] = static_cast<std::uint8_t>(period & 0xFF);
    if (prdInput != 0) {
        r[100] = static_cast<std::uint8_t>((doc.extPitchValid != 0 ? 1 : 0) |
                                           (doc.extRollValid != 0 ? 2 : 0) |
                                           (doc.extDistanceValid != 0 ? 4 : 0));
        PutFloat(r, 101, doc.extPitch);
        PutFloat(r, 105, doc.extRoll);
        PutFloat(r, 109, doc.extDistance);
    }
    std::memcpy(r.data() + kHeaderOffset, doc.header.data(), kReturnHeaderSize);
    std::memcpy(r.data() + kSamplesOffset, doc.samples.data(), kSampleCount);
    r[510] = 0xFC;
    r[511] = 0;
    return r;
}

int SampleCountOfCode(std::uint8_t code) {
    static constexpr int kCounts[10] = {0, 128, 250, 500, 800, 1000, 1500, 2000, 3000, 4000};
    return code < 10 ? kCounts[code] : -1;
}

std::string DecodeDateText(std::span<const std::uint8_t, kSettingsSize> b) {
    if (b[19] == 0) return FieldText(b.data() + 8, 11);
    std::string text = FieldText(b.data() + 8, 7);
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

std::optional<double> StoredSoundVelocity(const RecordSettings& s) {
    if ((s.soundVelocityWord & 0x8000) == 0) return std::nullopt;
    return (s.soundVelocityWord & 0x7FFF) / 10.0;
}

std::string DecodeTimeText(std::span<const std::uint8_t, kSettingsSize> b) {
    // The time field is 8 characters ("hh:mm:ss"); a missing terminator at
    // byte 28 must not pull the milliseconds behind it into the time.
    return FieldText(b.data() + 20, 8);
}

RecordSettings DecodeSettings(std::span<const std::uint8_t, kSettingsSize> b) {
    RecordSettings s;
    DecodeSettings(b, s, true);
    return s;
}

void DecodeSettings(std::span<const std::uint8_t, kSettingsSize> b, RecordSettings& s,
                    bool decodeDateTime) {
    s.sampleCode = b[3];
    s.length = BigEndian16(&b[4]);
    if (decodeDateTime) {
        s.date = DecodeDateText(b);
        s.time = DecodeTimeText(b);
    }
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
    s.soundVelocityWord = BigEndian16(&b[46]);
    s.orientationFlags = b[100];
    s.extPitch = GetFloat(&b[101]);
    s.extRoll = GetFloat(&b[105]);
    s.extDistance = GetFloat(&b[109]);
}

} // namespace record
