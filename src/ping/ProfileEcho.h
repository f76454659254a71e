// How strong the echo was where the head put the pipe wall: the sample of the
// oldest echo line at the oldest profile range, the line and the range that
// make the profile point handed on with it.
#pragma once

#include <cstdint>

#include "ping/PingTypes.h"

// Sample spacing and receive delay of the head for one range code (the
// table itself is ping processing's: RangeTimingForCode).
struct RangeTiming {
    double sampleSpacing = 0.002; // metres between echo samples
    double receiveDelay = 0.0;    // microseconds before the first sample
};

// 0 when the head found no wall (profile range 0) or the wall lies beyond the
// samples a ping carries.
std::uint8_t ProfileEchoLevel(const EchoLine& oldestLine, const ProfileEntry& oldest,
                              const RangeTiming& timing);
