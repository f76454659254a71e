// One profile point as the pipe-condition analysis takes it: plain values,
// whoever produced them (live acquisition, playback, a test).
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace analysis {

// A sample's distance when no valid one has been measured since the start.
inline constexpr double kNoDistance = std::numeric_limits<double>::quiet_NaN();

struct ProfileSample {
    double bearing = 0.0;  // beam angle, degrees clockwise from up (may exceed 360)
    double range = 0.0;    // metres from the head to the wall, speed of sound applied
    double x = 0.0;        // the point in the head's frame, metres: right
    double y = 0.0;        // and up, the same X and Y the .xyz lines carry
    double time = 0.0;     // seconds (see StampSeconds); NaN when unknown
    double distance = 0.0; // metres along the pipe, the .xyz Z; kNoDistance: none valid yet
    std::uint8_t echo = 0; // echo level the head measured at the point; 0: none
    // The head's attitude at this ping, degrees (pitch nose-up positive, roll
    // as the .xyz lines take it); NaN where no valid value was measured.
    double pitch = std::numeric_limits<double>::quiet_NaN();
    double roll = std::numeric_limits<double>::quiet_NaN();
    // Where the pipe's up lies in this sample's X, Y: degrees clockwise from
    // +Y. 0 when the points are already turned by the roll (or no roll is
    // known); minus the roll when they are in the head's own frame.
    double upBearing = 0.0;
};

// The sample's place on the plane square to the pipe: a head pitched against
// the pipe cuts it obliquely, stretching every cross-section along the scan
// plane's vertical by 1 / cos(pitch). No pitch (NaN) leaves the point as it is.
void TiltCorrected(const ProfileSample& s, double& x, double& y);

// A sample from its beam angle and range, placed the way the .xyz lines are.
ProfileSample FromPolar(double bearing, double range, double time, double distance);

// Seconds since 1970-01-01 00:00 of a record's time stamp texts
// ("07-MAR-2026", "09:05:03", "007"), read as a civil time without a zone;
// NaN when the texts are not a date and time.
double StampSeconds(std::string_view date, std::string_view time, std::string_view millis);

} // namespace analysis
