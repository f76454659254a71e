#include "format/XyzFormat.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace xyz {

ProfilePoint ComputeProfilePoint(double distance, double bearing, double zoom, double range,
                                 double soundVelocity, double extDistance) {
    ProfilePoint p;
    double theta = bearing - 90.0;
    if (theta < 0.0) theta += 360.0;
    if (theta >= 360.0) theta -= 360.0;
    p.theta = theta;
    const double phi = theta * kPi / 180.0;

    // The range passes through single precision before the speed-of-sound
    // correction, and X, Y, Z are printed from single-precision values: both
    // roundings are part of what the numbers have always been.
    p.s = static_cast<float>(distance / zoom * range / 250.0);
    p.r = static_cast<double>(p.s) * soundVelocity / 1500.0;
    p.x = static_cast<float>(std::cos(phi) * p.r);
    p.y = static_cast<float>(-(std::sin(phi) * p.r));
    p.z = static_cast<float>(extDistance);
    p.prdBearing = bearing >= 360.0 ? bearing - 360.0 : bearing;
    return p;
}

namespace {

// Enough for any double in fixed notation with three decimals.
constexpr std::size_t kNumberBuffer = 330;

// A non-negative value below 2^52 rounded to a whole number, ties to even,
// as nearbyint does in the default rounding mode (the program never sets
// another): above 2^52 a double has no fraction bits left, so the sum drops
// them by the mode's own rule. Written out, it costs no library call.
inline double RoundHalfEven(double x) {
    constexpr double kNoFraction = 4503599627370496.0; // 2^52
    return (x + kNoFraction) - kNoFraction;
}

// Single-precision values (every X, Y and Z) times 1000 are exact in double
// precision, so rounding the scaled value to a whole number, ties to even,
// is exactly what "%.3f" does to the value itself. Whole-number digits are
// far cheaper than the general conversion, which every other value takes.
// Writes the digits to end at `end`; returns where they begin.
// "000" to "999": three digits at a time cost a third of the divisions.
constexpr std::array<char, 3000> kThreeDigits = [] {
    std::array<char, 3000> t{};
    for (int i = 0; i < 1000; ++i) {
        t[3 * i] = static_cast<char>('0' + i / 100);
        t[3 * i + 1] = static_cast<char>('0' + i / 10 % 10);
        t[3 * i + 2] = static_cast<char>('0' + i % 10);
    }
    return t;
}();

inline char* Fixed3FromFloatBackwards(char* end, double value) {
    auto n = static_cast<std::uint64_t>(RoundHalfEven(std::fabs(value) * 1000.0));
    char* d = end - 3;
    std::memcpy(d, &kThreeDigits[3 * (n % 1000)], 3);
    n /= 1000;
    *--d = '.';
    while (n >= 1000) {
        d -= 3;
        std::memcpy(d, &kThreeDigits[3 * (n % 1000)], 3);
        n /= 1000;
    }
    // The leading group without its leading zeros (one "0" for none).
    const std::size_t digits = n >= 100 ? 3 : n >= 10 ? 2 : 1;
    d -= digits;
    std::memcpy(d, &kThreeDigits[3 * n + (3 - digits)], digits);
    if (std::signbit(value)) *--d = '-';
    return d;
}

// Below 1e12 the scaled value and its digits fit a 64-bit integer.
inline bool TakesWholeNumberDigits(double value) {
    return std::fabs(value) < 1.0e12 && static_cast<double>(static_cast<float>(value)) == value;
}

std::string_view Fixed3FromFloat(char (&buf)[kNumberBuffer], double value) {
    char digits[24];
    const char* d = Fixed3FromFloatBackwards(digits + sizeof digits, value);
    const auto length = static_cast<std::size_t>(digits + sizeof digits - d);
    std::memcpy(buf, d, length);
    return {buf, length};
}

std::string_view Fixed3(char (&buf)[kNumberBuffer], double value) {
    // Below 1e15 the scaled value and its digits fit a 64-bit integer.
    if (std::fabs(value) < 1.0e12 && static_cast<double>(static_cast<float>(value)) == value)
        return Fixed3FromFloat(buf, value);
    const auto [end, ec] =
        std::to_chars(buf, buf + kNumberBuffer, value, std::chars_format::fixed, 3);
    if (ec != std::errc()) return "0.000"; // cannot happen with this buffer size
    return {buf, static_cast<std::size_t>(end - buf)};
}

} // namespace

namespace {

// "% 7.3f" of value written at out (at most kNumberBuffer + 7 characters);
// returns the end. "% " puts a space where a minus sign would go; width 7
// pads on the left.
char* PutSignSpace7(char* out, double value) {
    if (TakesWholeNumberDigits(value)) {
        // Every X, Y and Z: the digits straight to their place.
        char digits[24];
        char* const end = digits + sizeof digits;
        const char* d = Fixed3FromFloatBackwards(end, value);
        const auto length = static_cast<std::size_t>(end - d);
        const bool negative = *d == '-';
        for (std::size_t shown = length + (negative ? 0 : 1); shown < 7; ++shown)
            *out++ = ' ';
        if (!negative) *out++ = ' ';
        std::memcpy(out, d, length);
        return out + length;
    }
    char buf[kNumberBuffer];
    const std::string_view digits = Fixed3(buf, value);
    const bool negative = digits.front() == '-';
    for (std::size_t length = digits.size() + (negative ? 0 : 1); length < 7; ++length)
        *out++ = ' ';
    if (!negative) *out++ = ' ';
    std::memcpy(out, digits.data(), digits.size());
    return out + digits.size();
}

} // namespace

void AppendSignSpace7(std::string& out, double value) {
    char text[kNumberBuffer + 8];
    out.append(text, PutSignSpace7(text, value));
}

void AppendFixed3(std::string& out, double value) {
    char buf[kNumberBuffer];
    out.append(Fixed3(buf, value));
}

namespace {

// The stamp's texts are C strings in the records they come from: anything
// after a NUL is not part of them.
std::string_view CText(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

void BuildStamp(std::string& out, std::string_view date, char separator, std::string_view time,
                std::string_view millis) {
    // One stamp per point: written in place rather than piece by piece.
    date = CText(date);
    time = CText(time);
    millis = CText(millis);
    out.resize(date.size() + time.size() + millis.size() + 2);
    char* o = out.data();
    std::memcpy(o, date.data(), date.size());
    o += date.size();
    *o++ = separator;
    std::memcpy(o, time.data(), time.size());
    o += time.size();
    *o++ = '.';
    std::memcpy(o, millis.data(), millis.size());
}

void EndDatagram(std::string& out, std::size_t maxText) {
    if (out.size() > maxText) out.resize(maxText);
    out.append("\r\n");
}

} // namespace

void BuildFileStamp(std::string& out, std::string_view date, std::string_view time,
                    std::string_view millis) {
    BuildStamp(out, date, '\t', time, millis);
}

void BuildDatagramStamp(std::string& out, std::string_view date, std::string_view time,
                        std::string_view millis) {
    BuildStamp(out, date, ',', time, millis);
}

char* PutXyzFileLine(char* out, std::string_view stamp, const ProfilePoint& p) {
    static_assert(kMaxXyzLineNumbers >= 3 * (kNumberBuffer + 8) + 2);
    // An empty stamp may have no storage at all: memcpy wants a real pointer.
    if (!stamp.empty()) std::memcpy(out, stamp.data(), stamp.size());
    char* end = out + stamp.size();
    for (const float v : {p.x, p.y, p.z}) {
        *end++ = '\t';
        end = PutSignSpace7(end, v);
    }
    *end++ = '\r';
    *end++ = '\n';
    return end;
}

void BuildXyzFileLine(std::string& out, std::string_view stamp, const ProfilePoint& p) {
    char numbers[kMaxXyzLineNumbers];
    char* const end = PutXyzFileLine(numbers, {}, p);
    out.assign(stamp);
    out.append(numbers, end);
}

void BuildXyzDatagram(std::string& out, std::string_view stamp, const ProfilePoint& p) {
    out.clear();
    out.append(stamp);
    for (const float v : {p.x, p.y, p.z}) {
        out.push_back(',');
        AppendFixed3(out, v);
    }
    EndDatagram(out, kMaxXyzDatagramText);
}

void BuildPrdDatagram(std::string& out, std::string_view stamp, double pitchAvg, double rollAvg,
                      const ProfilePoint& p) {
    out.clear();
    out.append(stamp);
    for (const double v : {pitchAvg, rollAvg, static_cast<double>(p.z), p.r, p.prdBearing}) {
        out.push_back(',');
        AppendFixed3(out, v);
    }
    EndDatagram(out, kMaxPrdDatagramText);
}

} // namespace xyz
