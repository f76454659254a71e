#include "format/XyzFormat.h"

#include <charconv>
#include <cmath>

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

std::string_view Fixed3(char (&buf)[kNumberBuffer], double value) {
    const auto [end, ec] =
        std::to_chars(buf, buf + kNumberBuffer, value, std::chars_format::fixed, 3);
    if (ec != std::errc()) return "0.000"; // cannot happen with this buffer size
    return {buf, static_cast<std::size_t>(end - buf)};
}

} // namespace

void AppendSignSpace7(std::string& out, double value) {
    char buf[kNumberBuffer];
    const std::string_view digits = Fixed3(buf, value);
    // "% " puts a space where a minus sign would go; width 7 pads on the left.
    const std::size_t length = digits.size() + (digits.front() == '-' ? 0 : 1);
    if (length < 7) out.append(7 - length, ' ');
    if (digits.front() != '-') out.push_back(' ');
    out.append(digits);
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
    out.clear();
    out.append(CText(date));
    out.push_back(separator);
    out.append(CText(time));
    out.push_back('.');
    out.append(CText(millis));
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

void BuildXyzFileLine(std::string& out, std::string_view stamp, const ProfilePoint& p) {
    out.clear();
    out.append(stamp);
    out.push_back('\t');
    AppendSignSpace7(out, p.x);
    out.push_back('\t');
    AppendSignSpace7(out, p.y);
    out.push_back('\t');
    AppendSignSpace7(out, p.z);
    out.append("\r\n");
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
