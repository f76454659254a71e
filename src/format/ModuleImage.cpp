#include "format/ModuleImage.h"

#include <cstring>

namespace module {

namespace {

template <typename T> T Get(std::span<const std::uint8_t> file, std::uint64_t at) {
    T v{};
    std::memcpy(&v, file.data() + at, sizeof v); // ELF64 little-endian, as this machine
    return v;
}

constexpr std::size_t kHeaderSize = 64;
constexpr std::size_t kProgramHeaderSize = 56;
constexpr std::uint32_t kLoad = 1;

} // namespace

std::string ImageProblem(std::span<const std::uint8_t> file, std::uint16_t machine) {
    const std::uint64_t size = file.size();
    if (size < kHeaderSize || std::memcmp(file.data(),
                                          "\x7f"
                                          "ELF",
                                          4) != 0)
        return "is not a shared library (no ELF header)";
    if (file[4] != 2 || file[5] != 1)
        return "is not a 64-bit little-endian library (built for another machine)";
    if (Get<std::uint16_t>(file, 16) != 3) return "is not a shared library";
    const auto fileMachine = Get<std::uint16_t>(file, 18);
    if (machine != 0 && fileMachine != machine)
        return "is built for another machine (ELF machine " + std::to_string(fileMachine) + ")";
    const auto phoff = Get<std::uint64_t>(file, 32);
    const auto phentsize = Get<std::uint16_t>(file, 54);
    const auto phnum = Get<std::uint16_t>(file, 56);
    if (phnum == 0 || phentsize != kProgramHeaderSize)
        return "has no usable program headers (damaged?)";
    if (phoff > size || static_cast<std::uint64_t>(phnum) * phentsize > size - phoff)
        return "is cut short: its program headers lie past its end";
    bool loadable = false;
    for (std::uint16_t i = 0; i < phnum; ++i) {
        const std::uint64_t at = phoff + static_cast<std::uint64_t>(i) * phentsize;
        if (Get<std::uint32_t>(file, at) != kLoad) continue;
        loadable = true;
        const auto offset = Get<std::uint64_t>(file, at + 8);
        const auto filesz = Get<std::uint64_t>(file, at + 32);
        const auto memsz = Get<std::uint64_t>(file, at + 40);
        if (offset > size || filesz > size - offset)
            return "is cut short: a loadable segment lies past its end";
        if (filesz > memsz)
            return "has a loadable segment larger on disk than in memory (damaged?)";
    }
    if (!loadable) return "has no loadable segment (damaged?)";
    return {};
}

} // namespace module
