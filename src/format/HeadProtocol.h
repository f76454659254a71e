// Floor 1, format: the byte and text formats (head command and return
// record, the ".31l" record and its reader, the settings-file text, the XYZ
// and PRD texts). Plain C++ on values; it includes the standard library only.
//
// Byte formats of the head: the 27-byte command we send and the 283-byte
// return record it answers with, plus the range, sector and train encodings
// shared by every control that changes a sonar parameter.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace headproto {

inline constexpr std::size_t kCommandSize = 27;
inline constexpr std::size_t kReturnRecordSize = 283;
inline constexpr std::size_t kReturnHeaderSize = 32;
inline constexpr std::size_t kEchoSampleCount = 250;
inline constexpr std::size_t kReceiveBufferSize = 4096;

// Command byte positions.
enum CommandByte : std::size_t {
    kCmdRangeCode = 3,
    kCmdFlags = 5,
    kCmdGain = 8,
    kCmdByte9 = 9,
    kCmdAbsorption = 10,
    kCmdTrain = 11,
    kCmdSectorWidth = 12,
    kCmdStepSize = 13,
    kCmdPulseLength = 14,
    kCmdProfileMinRange = 15,
    kCmdDataWidth = 20,
    kCmdByte22 = 22,
};

inline constexpr std::uint8_t kFlagReverse = 0x40;

using HeadCommand = std::array<std::uint8_t, kCommandSize>;

// The command as the document constructor sets it up.
inline constexpr HeadCommand kInitialCommand = {
    0xFE, 0x44, 0x00, 0x0A, 0x00, 0x00, 0x43, 0x02, 0x06, 0x01, 0xAA, 0x3C, 0x78, 0x03,
    0x0A, 0x00, 0x00, 0x00, 0x00, 0x19, 0x10, 0x01, 0x00, 0x00, 0x00, 0x64, 0xFD};

// The ten selectable ranges in metres, indexed by m_rangeIndex.
inline constexpr std::array<double, 10> kRangeTable = {0.125, 0.25, 0.5, 0.75, 1.0,
                                                       2.0,   3.0,  4.0, 5.0,  6.0};
inline constexpr std::array<int, 10> kRangeCodes = {2, 4, 6, 8, 10, 20, 30, 40, 50, 60};

// Range in metres to the range code of the range at or below it
// (below 0.25 m: code 2; 6 m and beyond: code 60).
int RangeToCode(double metres);
// Range code to range index (codes 0 and 1 give 7, as the head firmware did).
int RangeCodeToIndex(int code);

// A typed sector width in degrees to the sector-width code (multiples of
// 9 degrees), limited to 60 in sector mode and 120 in polar mode.
int SectorDegreesToCode(double degrees, int sectorMode);

// Profile minimum range in metres to the command byte in centimetres.
std::uint8_t ProfileMinRangeToByte(double metres);

// Return-record signature: number of echo bytes the type letter announces, or
// nothing when the record must be rejected.
std::optional<int> SignatureDataPoints(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2);

// 14-bit attitude value of a raw roll or pitch word, in degrees.
double AttitudeWordDegrees(std::uint16_t raw);
inline bool AttitudeWordValid(std::uint16_t raw) {
    return (raw & 0x8000u) != 0;
}

// Head position (0..8191) and scan direction from return-record bytes 5 and 6.
inline int HeadPosition(std::uint8_t b5, std::uint8_t b6) {
    return ((b6 & 0x3F) << 7) | (b5 & 0x7F);
}
inline int HeadScanDirection(std::uint8_t b6) {
    return (b6 >> 6) & 1;
}

// Two 7-bit groups (low byte masked, high byte shifted), as the head packs
// its profile range and data byte count.
inline int SevenBitPair(std::uint8_t low, std::uint8_t high) {
    return (static_cast<int>(high) << 7) | (low & 0x7F);
}

// The fields of a return header as the head packs them, before any setting
// gives them a meaning. Bytes the program never reads (12-15, 20-31) are zero
// when encoded.
struct ReturnHeader {
    std::array<std::uint8_t, 3> signature = {'I', 'M', 'X'};
    std::uint8_t headId = 16;
    std::uint8_t status = 0;
    int headPosition = 0;  // 0 ... 8191
    int scanDirection = 0; // 0 or 1
    std::uint8_t rangeCode = 10;
    int profileRange = 0; // 0 ... 16383, in 0.5 mm
    int dataBytes = static_cast<int>(kEchoSampleCount);
    std::uint16_t rollRaw = 0, pitchRaw = 0;

    bool operator==(const ReturnHeader&) const = default;
};
using ReturnHeaderBytes = std::array<std::uint8_t, kReturnHeaderSize>;

ReturnHeader DecodeReturnHeaderFields(std::span<const std::uint8_t, kReturnHeaderSize> bytes);
// The bytes a head sends for these fields; values wider than their bit
// fields are cut to them, as the head's own packing would.
ReturnHeaderBytes EncodeReturnHeader(const ReturnHeader& fields);

} // namespace headproto
