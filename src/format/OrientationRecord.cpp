#include "format/OrientationRecord.h"

#include <algorithm>
#include <cmath>

namespace orientation {

namespace {

bool IsDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

// "sign, intDigits digits, '.', fracDigits digits" starting at `at` of the
// record. The value is the integer of all digits divided by a power of ten:
// both are exact, so the division rounds once, like reading the text would.
Field ParseField(std::span<const std::uint8_t, kRecordLength> r, std::size_t at, int intDigits,
                 int fracDigits) {
    const std::uint8_t sign = r[at];
    if (sign != '+' && sign != '-') return {};
    long digits = 0;
    std::size_t p = at + 1;
    for (int i = 0; i < intDigits; ++i, ++p) {
        if (!IsDigit(r[p])) return {};
        digits = digits * 10 + (r[p] - '0');
    }
    if (r[p++] != '.') return {};
    double scale = 1.0;
    for (int i = 0; i < fracDigits; ++i, ++p) {
        if (!IsDigit(r[p])) return {};
        digits = digits * 10 + (r[p] - '0');
        scale *= 10.0;
    }
    const double value = static_cast<double>(digits) / scale;
    return Field{sign == '-' ? -value : value, true};
}

// The three fields, an angle out of its range taken as no reading (a
// garbled "+99.9" pitch or "+999.9" roll is still made of digits).
Record ParseRecord(std::span<const std::uint8_t, kRecordLength> r) {
    Record out;
    out.pitch = ParseField(r, 6, 2, 1);
    out.roll = ParseField(r, 16, 3, 1);
    out.distance = ParseField(r, 27, 4, 2);
    if (!PitchUsable(out.pitch.value)) out.pitch = {};
    if (!RollUsable(out.roll.value)) out.roll = {};
    if (!DistanceUsable(out.distance.value)) out.distance = {};
    return out;
}

} // namespace

std::optional<Record> ParseOrientationBuffer(std::span<const std::uint8_t> bytes) {
    const auto dollar = std::find(bytes.begin(), bytes.end(), std::uint8_t{'$'});
    if (dollar == bytes.end()) return std::nullopt;
    const auto start = static_cast<std::size_t>(dollar - bytes.begin());
    // Only bytes that were really read count: a "$" near the end of the read
    // starts a record whose rest has not arrived.
    if (bytes.size() - start < kRecordLength) return std::nullopt;
    const std::span<const std::uint8_t, kRecordLength> r =
        bytes.subspan(start).first<kRecordLength>();
    if (std::find(r.begin(), r.end(), std::uint8_t{0}) != r.end()) return std::nullopt;

    return ParseRecord(r);
}

std::optional<Record> ParseNewestOrientationRecord(std::span<const std::uint8_t> bytes,
                                                   std::size_t* end) {
    if (bytes.size() < kRecordLength) return std::nullopt;
    for (std::size_t start = bytes.size() - kRecordLength + 1; start-- > 0;) {
        if (bytes[start] != '$') continue;
        if (end) *end = start + kRecordLength;
        const std::span<const std::uint8_t, kRecordLength> r =
            bytes.subspan(start).first<kRecordLength>();
        if (std::find(r.begin(), r.end(), std::uint8_t{0}) != r.end()) return std::nullopt;
        return ParseRecord(r);
    }
    return std::nullopt;
}

void Track::Add(double seconds, const Record& record) {
    const Field* fields[3] = {&record.pitch, &record.roll, &record.distance};
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (!fields[i]->valid || !std::isfinite(seconds)) continue;
        Readings& r = m_fields[i];
        r.t0 = r.t1;
        r.v0 = r.v1;
        r.t1 = seconds;
        r.v1 = fields[i]->value;
        r.count = std::min(r.count + 1, 2);
    }
}

Field Track::At(double seconds, Which which) const {
    const Readings& r = m_fields[static_cast<std::size_t>(which)];
    if (r.count == 0) return {};
    const double interval = r.t1 - r.t0;
    if (r.count < 2 || !(interval > 0.0) || !std::isfinite(seconds)) return {r.v1, true};
    // The distance goes on along its slope (the head keeps moving); an angle
    // is held at its newest reading, since carrying a turn or a reading's
    // noise on would overshoot: a 10 degree step would read 20.
    const double beyond = which == Distance ? 2.0 : 1.0;
    const double u = std::clamp((seconds - r.t0) / interval, 0.0, beyond);
    return {r.v0 + (r.v1 - r.v0) * u, true};
}

} // namespace orientation
