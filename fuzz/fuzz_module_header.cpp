// Any bytes as the report module's file: the check before the loader must
// say yes or no with a reason, never read outside the bytes, and say yes only
// to an image whose loadable segments lie inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "format/ModuleImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    // Any machine is taken, so the fuzzer reaches past the machine check.
    const std::string why = module::ImageProblem(file, 0);
    if (!why.empty()) return 0;
    if (size < 64 || std::memcmp(data,
                                 "\x7f"
                                 "ELF",
                                 4) != 0)
        std::abort();
    return 0;
}
