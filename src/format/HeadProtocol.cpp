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

ReturnHeader DecodeReturnHeaderFields(std::span<const std::uint8_t, kReturnHeaderSize> h) {
    ReturnHeader r;
    r.signature = {h[0], h[1], h[2]};
    r.headId = h[3];
    r.status = h[4];
    r.headPosition = HeadPosition(h[5], h[6]);
    r.scanDirection = HeadScanDirection(h[6]);
    r.rangeCode = h[7];
    r.profileRange = SevenBitPair(h[8], h[9]);
    r.dataBytes = SevenBitPair(h[10], h[11]);
    r.rollRaw = static_cast<std::uint16_t>(h[16] | (h[17] << 8));
    r.pitchRaw = static_cast<std::uint16_t>(h[18] | (h[19] << 8));
    return r;
}

ReturnHeaderBytes EncodeReturnHeader(const ReturnHeader& f) {
    ReturnHeaderBytes h{};
    h[0] = f.signature[0];
    h[1] = f.signature[1];
    h[2] = f.signature[2];
    h[3] = f.headId;
    h[4] = f.status;
    h[5] = static_cast<std::uint8_t>(f.headPosition & 0x7F);
    h[6] = static_cast<std::uint8_t>(((f.headPosition >> 7) & 0x3F) | (f.scanDirection ? 0x40 : 0));
    h[7] = f.rangeCode;
    h[8] = static_cast<std::uint8_t>(f.profileRange & 0x7F);
    h[9] = static_cast<std::uint8_t>(f.profileRange >> 7);
    h[10] = static_cast<std::uint8_t>(f.dataBytes & 0x7F);
    h[11] = static_cast<std::uint8_t>(f.dataBytes >> 7);
    h[16] = static_cast<std::uint8_t>(f.rollRaw & 0xFF);
    h[17] = static_cast<std::uint8_t>(f.rollRaw >> 8);
    h[18] = static_cast<std::uint8_t>(f.pitchRaw & 0xFF);
    h[19] = static_cast<std::uint8_t>(f.pitchRaw >> 8);
    return h;
}

} // namespace headproto
