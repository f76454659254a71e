// The file-name rules of ".31l" recordings, one copy for recording, playback,
// the command line and the converter.
#pragma once

#include <string>

namespace record {

// Whether the path ends in "31l" (any case), the only files playback takes.
bool HasRecordFileName(const std::string& path);

// The input's path with its last three characters replaced by "xyz".
std::string XyzPathFor(const std::string& input);
// The same with ext (the point cloud's "ply", the report's "pdf").
std::string PathWithExtension(const std::string& input, const std::string& ext);

} // namespace record
