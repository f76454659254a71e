// Any text as the file named on the command line. The record file's name is
// the name cut before the first "." of its file-name part, with ".31l": it
// must keep the folder part untouched, end in ".31l", and have no "." in the
// file-name part before that ending.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "doc/DataFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    const std::string path = StartupRecordPath(name);
    if (path.size() < 4 || path.compare(path.size() - 4, 4, ".31l") != 0) std::abort();
    const std::size_t slash = name.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (path.compare(0, nameStart, name, 0, nameStart) != 0) std::abort();
    const std::string file = path.substr(nameStart, path.size() - 4 - nameStart);
    if (file.find('.') != std::string::npos) std::abort();
    if (name.compare(nameStart, file.size(), file) != 0) std::abort();
    return 0;
}
