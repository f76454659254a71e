// Any text as the head's or the UDP output's address. The safety catch must
// never call a text loopback unless it is one: 127.0.0.0/8, ::1 or its mapped
// form, or "localhost" — checked here against an independent reading of the
// same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/LoopbackGuard.h"

namespace {

// Strict dotted quad: four decimal numbers 0-255 without leading zeros.
bool StrictQuad(std::string_view s, int& first) {
    int parts = 0;
    std::size_t i = 0;
    while (true) {
        const std::size_t start = i;
        int value = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 4)
            value = value * 10 + (s[i++] - '0');
        const std::size_t len = i - start;
        if (len == 0 || len > 3 || value > 255 || (len > 1 && s[start] == '0')) return false;
        if (parts == 0) first = value;
        if (++parts == 4) return i == s.size();
        if (i >= s.size() || s[i] != '.') return false;
        ++i;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (!loopback::IsLoopbackAddress(text)) return 0;
    std::string_view t(text);
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.remove_suffix(1);
    if (t.size() >= 2 && t.front() == '[' && t.back() == ']') t = t.substr(1, t.size() - 2);
    if (t == "localhost" || t == "::1" || t == "0:0:0:0:0:0:0:1") return 0;
    if (t.substr(0, 7) == "::ffff:") t.remove_prefix(7);
    int first = -1;
    if (!StrictQuad(t, first) || first != 127) std::abort();
    return 0;
}
