#include "format/OrientationRecord.h"

#include <algorithm>

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

    Record out;
    out.pitch = ParseField(r, 6, 2, 1);
    out.roll = ParseField(r, 16, 3, 1);
    out.distance = ParseField(r, 27, 4, 2);
    return out;
}

} // namespace orientation
