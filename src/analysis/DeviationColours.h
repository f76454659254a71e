// The one colour scale for a wall's deviation from the nominal pipe, shared
// by every view and export that colours the pipe by it. Diverging about zero:
// white where the wall is where it should be, towards red where something
// stands inside the wall (debris, an intrusion, a dent) and towards blue
// where the wall lies outside (lost wall, a bulge). Beyond the scale's reach
// the end colours hold.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace analysis {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Half the scale's span, metres: the end colours stand for +-this much.
inline constexpr double kDeviationScale = 0.05;
// No deviation known (no wall echo, a scan without a centre).
inline constexpr Rgb kNoDeviationColour{128, 128, 128};

inline Rgb DeviationColour(double deviation, double scale = kDeviationScale) {
    if (!std::isfinite(deviation) || !(scale > 0.0)) return kNoDeviationColour;
    // Five stops from outward to inward: dark blue, light blue, white,
    // orange, dark red.
    static constexpr std::array<Rgb, 5> kStops{
        {{33, 102, 172}, {146, 197, 222}, {247, 247, 247}, {244, 165, 130}, {178, 24, 43}}};
    const double t = std::clamp(deviation / scale, -1.0, 1.0) * 2.0 + 2.0; // 0..4
    const int i = std::min(static_cast<int>(t), 3);
    const double f = t - i;
    auto mix = [f](std::uint8_t a, std::uint8_t b) {
        return static_cast<std::uint8_t>(std::lround(a + (b - a) * f));
    };
    const Rgb& a = kStops[static_cast<std::size_t>(i)];
    const Rgb& b = kStops[static_cast<std::size_t>(i) + 1];
    return Rgb{mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

} // namespace analysis
