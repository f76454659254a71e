// Safety catch for test and demo machines: while TUBESCAN_LOOPBACK_ONLY is set
// in the environment, the head link and the UDP output refuse every address
// that is not on this machine's loopback interface.
#pragma once

#include <string>
#include <string_view>

namespace loopback {

inline constexpr const char* kEnvVar = "TUBESCAN_LOOPBACK_ONLY";

// True for a literal loopback address: 127.0.0.0/8, ::1, ::ffff:127.x.y.z, or
// the name "localhost".
bool IsLoopbackAddress(std::string_view address);

// True while the environment asks for loopback-only operation.
bool LoopbackOnly();

// Empty when the address may be contacted; otherwise the message that says why
// not, for the operator and the log.
std::string CheckDestination(std::string_view address, std::string_view what);

} // namespace loopback
