#include "app/RecordName.h"

std::string RecordFileNameFromArgument(const std::string& argument) {
    const std::size_t slash = argument.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = argument.find('.', nameStart);
    return argument.substr(0, dot) + ".31l";
}
