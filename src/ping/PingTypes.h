// Floor 2, ping: turning a return record into a picture and a profile point.
// Everything here is plain C++ working on values handed in (the decoded
// header, a settings snapshot, a history, an image view); it may include the
// standard library and src/format, never the document or anything above it.
//
// The values the ping floor shares with everyone above it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

using COLORREF = std::uint32_t; // 0x00BBGGRR

inline constexpr std::size_t kLineBytes = 640;

using EchoLine = std::array<std::uint8_t, kLineBytes>;
using EchoLines = std::array<EchoLine, 3>;
struct ProfileEntry {
    double range = 0.0;   // profile range in 0.5 mm units
    double bearing = 0.0; // beam angle in degrees
};
using ProfileHistory = std::array<ProfileEntry, 3>;
struct PointOffset {
    double x = 0.0, y = 0.0;
};
