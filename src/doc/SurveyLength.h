// How far along the pipe a recording reaches, from the very pass a
// conversion makes (the same settings, speed of sound and distance rules),
// before the conversion itself: an output that stretches the chainage onto
// the nodes must know the measured length before its first point.
#pragma once

#include <string>

#include "doc/RecordConversion.h"

namespace conversion {

// The largest distance from the start node among the recording's profile
// points (metres); NaN when it holds none with a valid distance or cannot be
// read (the conversion then says why).
double MeasuredLength(const std::string& input, const Options& options);

} // namespace conversion
