#include "format/NumberText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view SkipSpace(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && IsSpace(t[i]))
        ++i;
    return t.substr(i);
}

} // namespace

int TextToInt(std::string_view text) {
    std::string_view t = SkipSpace(text);
    bool negative = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    // Accumulate in a wide type and stop growing once past int's range, so any
    // number of digits is safe.
    long long value = 0;
    constexpr long long kCap = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    for (char c : t) {
        if (c < '0' || c > '9') break;
        if (value < kCap) value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

double TextToDouble(std::string_view text) {
    std::string_view t = SkipSpace(text);
    bool negative = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    // from_chars would accept "inf" and "nan"; only digits or a point may start
    // a number here.
    if (t.empty() || !(std::isdigit(static_cast<unsigned char>(t[0])) || t[0] == '.')) return 0.0;
    double value = 0.0;
    auto [end, ec] =
        std::from_chars(t.data(), t.data() + t.size(), value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Either too large (clamp to the largest finite value) or too small to
        // represent (zero). Tell them apart by the exponent's sign.
        bool tiny = false;
        for (const char* p = t.data(); p != end; ++p) {
            if ((*p == 'e' || *p == 'E') && p + 1 != end && p[1] == '-') tiny = true;
        }
        value = tiny ? 0.0 : std::numeric_limits<double>::max();
    } else if (ec != std::errc()) {
        value = 0.0;
    }
    if (!std::isfinite(value)) value = std::numeric_limits<double>::max();
    return negative ? -value : value;
}

std::string FormatFixed(double value, int precision, int width) {
    char buf[400];
    auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
    std::string out = ec == std::errc() ? std::string(buf, end) : std::string("0");
    if (static_cast<int>(out.size()) < width)
        out.insert(0, static_cast<std::size_t>(width) - out.size(), ' ');
    return out;
}

std::string_view Trim(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    // All blank: an empty view at the text's end, so a caller may still
    // take where it lies in the text.
    if (first == std::string_view::npos) return text.substr(text.size());
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}
