// The ".31l" sonar data record: the 512-byte record this program writes for
// every ping, and the decoding of the settings part (the first 228 bytes) of
// any record it reads back. Both are pure: bytes in, values out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "format/HeadProtocol.h"

namespace record {

inline constexpr std::size_t kRecordSize = 512;
// Settings part, then the head's 32-byte return header, then the samples.
inline constexpr std::size_t kSettingsSize = 228;
inline constexpr std::size_t kHeaderOffset = 228;
inline constexpr std::size_t kSamplesOffset = 260;
inline constexpr std::size_t kSampleCount = 250;
// Lengths a record may declare. Below kMinLength there is no room for the
// return header; records of kSideLength and more keep their tail in the
// document's side buffer, which bounds them at kMaxLength.
inline constexpr int kMinLength = 260;
inline constexpr int kSideLength = 640;
inline constexpr int kMaxLength = 4208;
inline constexpr std::uint8_t kSignature[3] = {'3', '1', 'L'};

using Record = std::array<std::uint8_t, kRecordSize>;

// Command step byte to the 3-bit code of byte 37 (unknown steps give 0), and
// back (code 4 is step 8).
std::uint8_t StepToCode(std::uint8_t step);
std::uint8_t CodeToStep(std::uint8_t code);
// Command data-width byte (byte 20) to the code of byte 43 (unknown: 0).
std::uint8_t DataWidthToCode(std::uint8_t width);

// What one record carries: the settings a ping was taken with, its time
// stamp texts, the orientation values and the ping itself.
struct RecordFields {
    std::string date, time, millis;
    int prdInput = 0; // 1: the orientation values below are stored
    int scanDirection = 0;
    int xdcrFwdAft = 0;
    int sectorMode = 0;
    headproto::HeadCommand command = headproto::kInitialCommand;
    int trainBearing = 0;
    int zeroUpDown = 0;
    double soundVelocity = 0.0;
    double pingPeriod = 0.0; // milliseconds
    int extPitchValid = 0, extRollValid = 0, extDistanceValid = 0;
    double extPitch = 0.0, extRoll = 0.0, extDistance = 0.0;
    std::array<std::uint8_t, headproto::kReturnHeaderSize> header{};
    std::array<std::uint8_t, kSampleCount> samples{};
};

// The record of these fields, byte for byte.
Record EncodeRecord(const RecordFields& fields);

// Sample count of the code in byte 3; -1 for a code outside the table.
int SampleCountOfCode(std::uint8_t code);

// What the settings part of a record says, with the texts already brought
// into their usual form.
struct RecordSettings {
    std::uint8_t sampleCode = 0;
    int length = 0;
    std::string date;
    std::string time;
    std::string millis;
    bool orientationInput = false;
    std::uint8_t modeByte = 0; // byte 37
    std::uint8_t gain = 0;
    std::uint8_t sectorWidth = 0;
    std::uint8_t trainThirds = 0; // train bearing / 3
    std::uint8_t rangeCode = 0;
    std::uint8_t absorption = 0;
    std::uint8_t widthByte = 0; // byte 43
    std::uint8_t pulseLength = 0;
    std::uint16_t pingPeriod = 0; // units of 10 microseconds
    // Bytes 46-47: the speed of sound the ping was taken with, 0.1 m/s, with
    // bit 15 set when the field holds one.
    std::uint16_t soundVelocityWord = 0;
    std::uint8_t orientationFlags = 0;
    float extPitch = 0.0f, extRoll = 0.0f, extDistance = 0.0f;
};

// The speed of sound in m/s a record says its ping was taken with; nothing
// when bit 15 of its field is clear (no speed stored).
std::optional<double> StoredSoundVelocity(const RecordSettings& settings);

RecordSettings DecodeSettings(std::span<const std::uint8_t, kSettingsSize> bytes);

// Bytes 8 to 27 hold the date and time texts, and nothing else goes into them.
inline constexpr std::size_t kDateTimeOffset = 8;
inline constexpr std::size_t kDateTimeSize = 20;
// The same into s; its date and time texts only when decodeDateTime: a reader
// that already holds them for the same bytes 8 to 27 keeps its own (they
// change once a second, records come many times a second).
void DecodeSettings(std::span<const std::uint8_t, kSettingsSize> bytes, RecordSettings& s,
                    bool decodeDateTime);

// The date text of bytes 8-19. Recorders that wrote the year as "19" and the
// years since 1900 ("07-MAR-19126") fill byte 19; that form is turned back
// into a four-digit year.
std::string DecodeDateText(std::span<const std::uint8_t, kSettingsSize> bytes);
// The milliseconds text of bytes 29 on: "000" when empty, a leading "." of a
// fraction form dropped (".12" is 120 ms), spaces in the first three places
// read as zeros.
std::string DecodeMillisText(std::span<const std::uint8_t, kSettingsSize> bytes);
// The time text of bytes 20-27 ("hh:mm:ss").
std::string DecodeTimeText(std::span<const std::uint8_t, kSettingsSize> bytes);

inline std::uint16_t BigEndian16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

} // namespace record
