#include "ping/SonarBitmap.h"

#include <algorithm>
#include <cmath>

namespace {

struct Rgb {
    int r, g, b;
};

// The "Normal" ramp: each row runs in equal integer steps from its first to
// its last entry.
struct RampRow {
    int first, last;
    Rgb from, to;
};

constexpr RampRow kBaseRamp[] = {
    {0, 1, {0, 0, 0}, {0, 0, 1}},
    {2, 3, {0, 0, 3}, {0, 0, 5}},
    {4, 18, {0, 0, 10}, {0, 0, 80}},
    {19, 35, {0, 20, 80}, {0, 100, 0}},
    {36, 39, {0, 105, 0}, {0, 120, 0}},
    {40, 41, {5, 125, 0}, {10, 130, 0}},
    {42, 48, {20, 135, 0}, {20, 165, 0}},
    {49, 50, {40, 170, 0}, {60, 175, 0}},
    {51, 52, {70, 180, 0}, {80, 185, 0}},
    {53, 58, {90, 175, 0}, {140, 125, 0}},
    {59, 61, {150, 110, 0}, {160, 100, 0}},
    {62, 69, {165, 100, 0}, {200, 100, 0}},
    {70, 72, {205, 105, 0}, {215, 115, 0}},
    {73, 79, {210, 120, 0}, {150, 150, 0}},
    {80, 88, {155, 155, 0}, {195, 195, 0}},
    {89, 98, {200, 200, 50}, {245, 245, 140}},
    {99, 111, {180, 180, 180}, {240, 240, 240}},
    {112, 114, {240, 240, 240}, {240, 240, 240}},
    {115, 118, {160, 0, 0}, {160, 0, 0}},
};

constexpr bool RampIsWellFormed() {
    int next = 0;
    for (const RampRow& row : kBaseRamp) {
        if (row.first != next || row.last < row.first) return false;
        const int steps = row.last - row.first;
        if (steps > 0 &&
            ((row.to.r - row.from.r) % steps != 0 || (row.to.g - row.from.g) % steps != 0 ||
             (row.to.b - row.from.b) % steps != 0))
            return false;
        next = row.last + 1;
    }
    return next == CSonarBitmap::kBuiltEntries;
}
static_assert(RampIsWellFormed(), "the base ramp must cover 0..118 in whole steps");

Rgb BaseEntry(int i) {
    for (const RampRow& row : kBaseRamp) {
        if (i < row.first || i > row.last) continue;
        const int steps = row.last - row.first;
        const int n = i - row.first;
        auto lerp = [&](int a, int b) { return steps == 0 ? a : a + (b - a) / steps * n; };
        return {lerp(row.from.r, row.to.r), lerp(row.from.g, row.to.g), lerp(row.from.b, row.to.b)};
    }
    return {0, 0, 0};
}

int Limit(double v) {
    return static_cast<int>(std::clamp(std::trunc(v), 0.0, 255.0));
}

ColorEntry Make(int r, int g, int b) {
    return ColorEntry{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                      static_cast<std::uint8_t>(b)};
}

} // namespace

CSonarBitmap::CSonarBitmap() : m_tables(&Built()) {}

const CSonarBitmap::Tables& CSonarBitmap::Built() {
    // Made once, on first use; a function's static is safe to start from any
    // thread.
    static const Tables tables = [] {
        Tables t{};
        constexpr double kPi = 3.1415926; // the value the tables have always been built with
        for (int i = 0; i < kBuiltEntries; ++i) {
            const Rgb base = BaseEntry(i);
            const int ramp = std::min(255, static_cast<int>(2.5 * i));
            const int reverse = Limit((118 - i) * 1.8);
            const double x = i * 0.5 * kPi / 118;
            const int a = std::min(255, static_cast<int>(std::sin(x) * 255 * 1.2));
            const int b = std::min(255, static_cast<int>((255 - std::cos(x) * 255) * 1.2));

            t[0][i] = Make(Limit(base.r * 1.5), Limit(base.g * 1.5), Limit(base.b * 1.5));
            t[1][i] = Make(base.r, base.g, base.b);
            t[2][i] = Make(0, ramp, 0);
            t[3][i] = Make(ramp, ramp, ramp);
            t[4][i] = Make(reverse, reverse, reverse);
            t[5][i] = Make(a, b, 0);
            t[6][i] = Make(0, a, b);
            t[7][i] = Make(b, a, 0);
            t[8][i] = Make(0, b, a);
        }
        return t;
    }();
    return tables;
}

int CSonarBitmap::SafeTableIndex(int table) {
    return table >= 0 && table < kTableCount ? table : 0;
}

ColorEntry CSonarBitmap::Entry(int table, int level) const {
    return (*m_tables)[SafeTableIndex(table)][std::clamp(level, 0, kEntryCount - 1)];
}
