#include "analysis/ConditionCsv.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace analysis {

namespace {

void Field(std::string& out, double v, int decimals) {
    out += ',';
    if (!std::isfinite(v)) return;
    // -0.0000 would read as a measured negative: a zero is a zero.
    if (std::fabs(v) < 0.5 * std::pow(10.0, -decimals)) v = 0.0;
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    // A value too long for any sensible figure (an absurd nominal pipe) is
    // left empty, as a missing one is: the buffer then holds no number.
    if (r.ec != std::errc{}) return;
    out.append(buf, r.ptr);
}

void Count(std::string& out, unsigned long long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// Civil date of a day count from 1970-01-01.
void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long long>(yoe) + era * 400 + (m <= 2);
}

} // namespace

std::string IsoTime(double seconds) {
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e12) return {};
    const long long ms = std::llround(seconds * 1000.0);
    long long days = ms / 86400000;
    long long rest = ms % 86400000;
    if (rest < 0) {
        rest += 86400000;
        --days;
    }
    long long y;
    unsigned m, d;
    CivilFromDays(days, y, m, d);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02uT%02lld:%02lld:%02lld.%03lld", y, m, d,
                  rest / 3600000, rest / 60000 % 60, rest / 1000 % 60, rest % 1000);
    return buf;
}

void BuildConditionCsvLine(std::string& out, std::size_t scan, const ScanFigures& f) {
    out.clear();
    Count(out, scan);
    out += ',';
    out += IsoTime(f.time);
    Field(out, f.distance, 3);
    out += ',';
    Count(out, f.points);
    Field(out, f.coverage, 1);
    Field(out, f.centreX, 4);
    Field(out, f.centreY, 4);
    Field(out, f.meanDiameter, 4);
    Field(out, f.minDiameter, 4);
    Field(out, f.maxDiameter, 4);
    Field(out, f.ovality, 2);
    Field(out, f.openArea, 4);
    Field(out, f.areaLoss, 2);
    Field(out, f.debrisDepth, 4);
    Field(out, f.debrisArea, 5);
    out += '\n';
}

} // namespace analysis
