#include "analysis/ProfileSample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace analysis {

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

// Digits of text[from, from + count) as a number; -1 when any is not a digit.
int Digits(std::string_view text, std::size_t from, std::size_t count) {
    if (from + count > text.size()) return -1;
    int v = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// Days from 1970-01-01 of a proleptic Gregorian date.
long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

} // namespace

ProfileSample FromPolar(double bearing, double range, double time, double distance) {
    const double a = bearing * kDegree;
    return ProfileSample{bearing, range, range * std::sin(a), range * std::cos(a), time, distance};
}

void TiltCorrected(const ProfileSample& s, double& x, double& y) {
    x = s.x;
    y = s.y;
    if (!std::isfinite(s.pitch) || s.pitch == 0.0) return;
    // Shrink the component along the pipe's up by cos(pitch).
    const double shrink = 1.0 - std::cos(s.pitch * kDegree);
    if (s.upBearing == 0.0) {
        y -= shrink * y;
        return;
    }
    const double ux = std::sin(s.upBearing * kDegree), uy = std::cos(s.upBearing * kDegree);
    const double along = shrink * (x * ux + y * uy);
    x -= along * ux;
    y -= along * uy;
}

double StampSeconds(std::string_view date, std::string_view time, std::string_view millis) {
    constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    static constexpr std::array<std::string_view, 12> kMonths = {
        "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    if (date.size() < 11 || date[2] != '-' || date[6] != '-') return kNone;
    int month = 0;
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        const std::string_view m = kMonths[i];
        bool same = true;
        for (std::size_t k = 0; k < 3; ++k)
            same = same && (date[3 + k] & ~0x20) == m[k];
        if (same) month = static_cast<int>(i) + 1;
    }
    const int day = Digits(date, 0, 2), year = Digits(date, 7, 4);
    if (month == 0 || day < 1 || day > 31 || year < 0) return kNone;
    if (time.size() < 8 || time[2] != ':' || time[5] != ':') return kNone;
    const int h = Digits(time, 0, 2), min = Digits(time, 3, 2), s = Digits(time, 6, 2);
    if (h < 0 || h > 23 || min < 0 || min > 59 || s < 0 || s > 60) return kNone;
    int ms = Digits(millis, 0, std::min<std::size_t>(millis.size(), 3));
    if (ms < 0) ms = 0;
    return static_cast<double>(DaysFromCivil(year, month, day)) * 86400.0 + h * 3600.0 +
           min * 60.0 + s + ms / 1000.0;
}

} // namespace analysis
