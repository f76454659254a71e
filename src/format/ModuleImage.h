// The checks a shared module's bytes pass before the converter lets the
// system's loader map them: a 64-bit little-endian ELF shared object for
// this machine, whose program headers and loadable segments lie inside the
// file. A file cut short or built elsewhere is refused with a reason instead
// of crashing or puzzling the loader. Pure and fuzzed.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace module {

// ELF machine numbers the converter is built for.
inline constexpr std::uint16_t kMachineX86_64 = 62;
inline constexpr std::uint16_t kMachineAArch64 = 183;
#if defined(__x86_64__)
inline constexpr std::uint16_t kThisMachine = kMachineX86_64;
#elif defined(__aarch64__)
inline constexpr std::uint16_t kThisMachine = kMachineAArch64;
#else
inline constexpr std::uint16_t kThisMachine = 0; // any: the loader judges
#endif

// Why the file's bytes cannot be this machine's module; empty when they can.
std::string ImageProblem(std::span<const std::uint8_t> file, std::uint16_t machine = kThisMachine);

} // namespace module
