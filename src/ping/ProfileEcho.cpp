#include "ping/ProfileEcho.h"

#include <cmath>

#include "format/HeadProtocol.h"

std::uint8_t ProfileEchoLevel(const EchoLine& oldestLine, const ProfileEntry& oldest,
                              const RangeTiming& timing) {
    const double range = oldest.range; // 0.5 mm units
    if (!(range > 0.0) || !(timing.sampleSpacing > 0.0)) return 0;
    const double index = std::round(range * 0.0005 / timing.sampleSpacing);
    if (!(index < static_cast<double>(headproto::kEchoSampleCount))) return 0;
    return oldestLine[static_cast<std::size_t>(index)];
}
