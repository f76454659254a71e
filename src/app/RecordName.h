// The recording file named on the command line.
#pragma once

#include <string>

// The ".31l" file a command-line name records to: the name is cut before the
// first "." of its file-name part and ".31l" appended. Dots in folder names
// are left alone, so "./survey.run1/pipe.dat" records to
// "./survey.run1/pipe.31l" and not to the folder's name.
std::string RecordFileNameFromArgument(const std::string& argument);
