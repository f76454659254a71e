// A name-based (version 5, SHA-1) UUID, so that one name always gives the
// same identifier: the LAS header's project ID of a survey is the UUID of
// its pipe, nodes and date. Plain C++: the point-cloud writers sit below Qt.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace nameuuid {

using Uuid = std::array<std::uint8_t, 16>; // in the order the text form reads

// SHA-1 of data (the 20-byte digest).
std::array<std::uint8_t, 20> Sha1(std::string_view data);

// The version 5 UUID of name within the namespace ns.
Uuid UuidV5(const Uuid& ns, std::string_view name);

// The URL namespace, 6ba7b811-9dad-11d1-80b4-00c04fd430c8.
inline constexpr Uuid kUrlNamespace = {0x6b, 0xa7, 0xb8, 0x11, 0x9d, 0xad, 0x11, 0xd1,
                                       0x80, 0xb4, 0x00, 0xc0, 0x4f, 0xd4, 0x30, 0xc8};

// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx", lower case.
std::string Text(const Uuid& u);

} // namespace nameuuid
