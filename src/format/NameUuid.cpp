#include "format/NameUuid.h"

#include <cstring>

namespace nameuuid {

namespace {

std::uint32_t Rotl(std::uint32_t v, int n) {
    return (v << n) | (v >> (32 - n));
}

void Block(std::array<std::uint32_t, 5>& h, const std::uint8_t* p) {
    std::uint32_t w[80];
    for (int t = 0; t < 16; ++t)
        w[t] = std::uint32_t{p[4 * t]} << 24 | std::uint32_t{p[4 * t + 1]} << 16 |
               std::uint32_t{p[4 * t + 2]} << 8 | p[4 * t + 3];
    for (int t = 16; t < 80; ++t)
        w[t] = Rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int t = 0; t < 80; ++t) {
        std::uint32_t f, k;
        if (t < 20)
            f = (b & c) | (~b & d), k = 0x5A827999;
        else if (t < 40)
            f = b ^ c ^ d, k = 0x6ED9EBA1;
        else if (t < 60)
            f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
        else
            f = b ^ c ^ d, k = 0xCA62C1D6;
        const std::uint32_t next = Rotl(a, 5) + f + e + k + w[t];
        e = d, d = c, c = Rotl(b, 30), b = a, a = next;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
}

} // namespace

std::array<std::uint8_t, 20> Sha1(std::string_view data) {
    std::array<std::uint32_t, 5> h = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
    std::size_t whole = data.size() / 64 * 64;
    for (std::size_t at = 0; at < whole; at += 64)
        Block(h, bytes + at);
    // The tail, the 0x80 mark and the message's length in bits, padded to
    // whole blocks.
    std::uint8_t tail[128] = {};
    const std::size_t rest = data.size() - whole;
    if (rest) std::memcpy(tail, bytes + whole, rest);
    tail[rest] = 0x80;
    const std::size_t blocks = rest + 1 + 8 <= 64 ? 1 : 2;
    const std::uint64_t bits = static_cast<std::uint64_t>(data.size()) * 8;
    for (int k = 0; k < 8; ++k)
        tail[blocks * 64 - 1 - k] = static_cast<std::uint8_t>(bits >> (8 * k));
    for (std::size_t b = 0; b < blocks; ++b)
        Block(h, tail + 64 * b);
    std::array<std::uint8_t, 20> out{};
    for (int i = 0; i < 5; ++i)
        for (int k = 0; k < 4; ++k)
            out[4 * i + k] = static_cast<std::uint8_t>(h[i] >> (24 - 8 * k));
    return out;
}

Uuid UuidV5(const Uuid& ns, std::string_view name) {
    std::string data(reinterpret_cast<const char*>(ns.data()), ns.size());
    data.append(name);
    const auto digest = Sha1(data);
    Uuid u{};
    std::memcpy(u.data(), digest.data(), u.size());
    u[6] = static_cast<std::uint8_t>((u[6] & 0x0F) | 0x50); // version 5
    u[8] = static_cast<std::uint8_t>((u[8] & 0x3F) | 0x80); // the RFC's variant
    return u;
}

std::string Text(const Uuid& u) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < u.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
        out += kHex[u[i] >> 4];
        out += kHex[u[i] & 15];
    }
    return out;
}

} // namespace nameuuid
