#include "analysis/SoundSpeed.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace analysis {

double SoundSpeedInWater(double t, double s) {
    if (!(t >= 0.0 && t <= 40.0) || !(s >= 0.0 && s <= 40.0))
        return std::numeric_limits<double>::quiet_NaN();
    // UNESCO equation of Chen and Millero (J. Acoust. Soc. Am. 62, 1977) at
    // zero gauge pressure, with the coefficients Wong and Zhu refitted to the
    // ITS-90 temperature scale (J. Acoust. Soc. Am. 97, 1995). Unlike the
    // simpler nine-term fits, it holds down to fresh water.
    const double cw =
        1402.388 +
        t * (5.03830 + t * (-5.81090e-2 + t * (3.3432e-4 + t * (-1.47797e-6 + t * 3.1419e-9))));
    const double a = 1.389 + t * (-1.262e-2 + t * (7.166e-5 + t * (2.008e-6 + t * -3.21e-8)));
    const double b = -1.922e-2 - 4.42e-5 * t;
    const double d = 1.727e-3;
    return cw + a * s + b * s * std::sqrt(s) + d * s * s;
}

bool SpeedsDiffer(double used, double reference) {
    return std::fabs(used - reference) > kSpeedMismatch * std::fabs(reference);
}

std::string DescribeSpeed(const SpeedOrigin& o) {
    char text[128];
    const bool water = std::isfinite(o.temperatureC);
    switch (o.source) {
    case SpeedSource::WaterTemperature:
    case SpeedSource::Corrected:
        if (water) {
            std::snprintf(text, sizeof text, "%.1f m/s from %.1f \u00B0C water%s", o.speed,
                          o.temperatureC,
                          o.source == SpeedSource::Corrected ? ", corrected after the survey" : "");
        } else {
            std::snprintf(text, sizeof text, "%.1f m/s %s", o.speed,
                          o.source == SpeedSource::Corrected ? "corrected after the survey"
                                                             : "set by hand");
        }
        break;
    case SpeedSource::Calibration:
        std::snprintf(text, sizeof text, "%.1f m/s from a ring calibration", o.speed);
        break;
    case SpeedSource::ByHand:
        std::snprintf(text, sizeof text, "%.1f m/s set by hand", o.speed);
        break;
    }
    return text;
}

} // namespace analysis
