#include "link/LoopbackGuard.h"

#include <cstdlib>

#include "format/NumberText.h"

namespace loopback {

namespace {

bool ParseIpv4(std::string_view s, int octets[4]) {
    int count = 0;
    std::size_t i = 0;
    while (count < 4) {
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
        // A leading zero reads as octal to some parsers and as decimal to
        // others: such a text names no one address, so it is not taken.
        if (s[i] == '0' && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '9') return false;
        int value = 0, digits = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            value = value * 10 + (s[i] - '0');
            if (++digits > 3 || value > 255) return false;
            ++i;
        }
        octets[count++] = value;
        if (count < 4) {
            if (i >= s.size() || s[i] != '.') return false;
            ++i;
        }
    }
    return i == s.size();
}

} // namespace

bool IsLoopbackAddress(std::string_view address) {
    std::string_view a = Trim(address);
    if (a.size() >= 2 && a.front() == '[' && a.back() == ']') a = a.substr(1, a.size() - 2);
    if (a == "localhost" || a == "::1" || a == "0:0:0:0:0:0:0:1") return true;
    constexpr std::string_view kMapped = "::ffff:";
    if (a.size() > kMapped.size() && a.substr(0, kMapped.size()) == kMapped)
        a.remove_prefix(kMapped.size());
    int o[4];
    return ParseIpv4(a, o) && o[0] == 127;
}

bool LoopbackOnly() {
    const char* v = std::getenv(kEnvVar);
    return v != nullptr;
}

std::string CheckDestination(std::string_view address, std::string_view what) {
    if (!LoopbackOnly() || IsLoopbackAddress(address)) return {};
    return std::string(what) + ": refusing to contact " + std::string(address) + " because " +
           kEnvVar + " is set (only loopback addresses are allowed).";
}

} // namespace loopback
