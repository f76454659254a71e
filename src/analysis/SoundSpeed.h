// The speed of sound in the water a survey runs in, from its temperature and
// salinity, and what a range measured at one speed becomes at another.
//
// The head times each echo and reports its range as if sound travelled at
// 1500 m/s; the program turns that into metres with its own speed setting
// (r = s x speed / 1500), so a wrong speed scales every range, diameter and
// area of a survey, and the right one applied afterwards corrects it exactly.
#pragma once

#include <limits>
#include <string>

namespace analysis {

// The speed the head assumes for every range it reports, m/s.
inline constexpr double kHeadSoundSpeed = 1500.0;
// The speeds the program accepts (the Sound Velocity dialog's rule).
inline constexpr double kMinSoundSpeed = 1400.0;
inline constexpr double kMaxSoundSpeed = 1600.0;
// Two speeds closer than this fraction give the same survey for every
// practical purpose; further apart, the operator is told.
inline constexpr double kSpeedMismatch = 0.001;

// Speed of sound in m/s at atmospheric pressure, from the temperature in
// degrees Celsius (ITS-90) and the salinity in PSU. The equation holds from
// 0 to 40 degrees and 0 to 40 PSU; fresh water (0 PSU) is the usual case in
// a sewer. NaN outside that range or for values that are not numbers.
double SoundSpeedInWater(double temperatureC, double salinityPsu = 0.0);

inline bool IsAcceptedSoundSpeed(double speed) {
    return speed >= kMinSoundSpeed && speed <= kMaxSoundSpeed;
}

// True when two speeds differ by more than kSpeedMismatch of the second.
bool SpeedsDiffer(double used, double reference);

// Where the speed a survey's ranges were turned into metres with came from,
// as the report and the converter name it.
enum class SpeedSource {
    ByHand, // the setting as the operator typed it
    WaterTemperature,
    Calibration, // proposed by a check in a ring of known diameter
    Corrected,   // given after the survey, when converting
};

struct SpeedOrigin {
    double speed = kHeadSoundSpeed;
    SpeedSource source = SpeedSource::ByHand;
    // The water temperature the speed came from (WaterTemperature, and a
    // correction given as a temperature); NaN when none.
    double temperatureC = std::numeric_limits<double>::quiet_NaN();
};

// "1447.3 m/s from 10.0 °C water", "1500.0 m/s set by hand", "1447.3 m/s
// from 10.0 °C water, corrected after the survey", ... (UTF-8).
std::string DescribeSpeed(const SpeedOrigin& origin);

} // namespace analysis
