#include "format/HeadProtocol.h"

#include <cmath>

namespace headproto {

int RangeToCode(double metres) {
    if (metres < 0.25) return 2;
    if (metres < 0.5) return 4;
    if (metres < 0.75) return 6;
    if (metres < 1.0) return 8;
    if (metres < 2.0) return 10;
    if (metres < 3.0) return 20;
    if (metres < 4.0) return 30;
    if (metres < 5.0) return 40;
    if (metres < 6.0) return 50;
    return 60;
}

int RangeCodeToIndex(int code) {
    if (code < 2) return 7;
    if (code < 4) return 0;
    if (code < 6) return 1;
    if (code < 8) return 2;
    if (code < 10) return 3;
    if (code < 20) return 4;
    if (code < 30) return 5;
    if (code < 40) return 6;
    if (code < 50) return 7;
    if (code < 60) return 8;
    return 9;
}

int SectorDegreesToCode(double degrees, int sectorMode) {
    // Truncating division of (d + 5) / 9, done on a bounded value so that an
    // absurd typed number cannot overflow.
    double d = std::isfinite(degrees) ? degrees : 0.0;
    if (d > 100000.0) d = 100000.0;
    if (d < -100000.0) d = -100000.0;
    int code = 3 * static_cast<int>(std::trunc((d + 5.0) / 9.0));
    if (code < 0) code = 0;
    const int limit = sectorMode == 0 ? 60 : 120;
    if (code > limit) code = limit;
    return code;
}

std::uint8_t ProfileMinRangeToByte(double metres) {
    double cm = metres * 100.0;
    if (!(cm > 0.0)) return 0;
    if (cm >= 250.0) return 250;
    return static_cast<std::uint8_t>(cm);
}

std::optional<int> SignatureDataPoints(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) {
    if (b0 != 'I' || b2 != 'X') return std::nullopt;
    switch (b1) {
    case 'P':
        return 0;
    case 'M':
        return 250;
    case 'G':
        return 500;
    case 'S':
        return 800;
    default:
        return std::nullopt;
    }
}

double AttitudeWordDegrees(std::uint16_t raw) {
    int v = raw & 0x3FFF;
    // 8191 itself counts as negative, like everything above it.
    if (v >= 8191) v -= 16384;
    return v * 0.025;
}

} // namespace headproto
