#include "format/RecordFileName.h"

#include <cctype>

namespace record {

bool HasRecordFileName(const std::string& path) {
    // The last three characters, in any case: a name such as "survey31l"
    // without its dot has always been taken too.
    if (path.size() < 3) return false;
    std::string tail = path.substr(path.size() - 3);
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == "31l";
}

std::string XyzPathFor(const std::string& input) {
    return PathWithExtension(input, "xyz");
}

std::string PathWithExtension(const std::string& input, const std::string& ext) {
    if (input.size() < 3) return ext;
    return input.substr(0, input.size() - 3) + ext;
}

} // namespace record
