// The orientation sensor's text record: 37 characters from a "$", with pitch,
// roll and distance at fixed positions. Each field is checked character by
// character on its own, so one garbled field never costs the other two.
//
//   0      6     11    16     22    27       35
//   $PRD,P+12.3,ROL,-001.5,DST,+0012.50\r\n
//
// Characters outside the three fields are not looked at.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace orientation {

inline constexpr std::size_t kRecordLength = 37;

struct Field {
    double value = 0.0; // 0 when the field is malformed
    bool valid = false;
};

struct Record {
    Field pitch;    // degrees
    Field roll;     // degrees
    Field distance; // metres travelled along the pipe
};

// The first "$" in bytes decides: when the 37 bytes from it were all received
// (and none of them is a zero byte, which marks the end of what was read) the
// record is returned with each field parsed or marked invalid; otherwise
// nullopt, and the caller keeps the values it had.
std::optional<Record> ParseOrientationBuffer(std::span<const std::uint8_t> bytes);

} // namespace orientation
