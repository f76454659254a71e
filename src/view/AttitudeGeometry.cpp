#include "view/AttitudeGeometry.h"

#include <algorithm>
#include <cmath>

#include "format/NumberText.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// The indicator has always turned with this value of pi.
constexpr double kIndicatorPi = 3.1415926;
constexpr double kMetresPerFoot = 0.3048;

int Trunc(double v) {
    return static_cast<int>(v);
}

// A value that reaches a pixel position: finite and within +-limit.
double Bounded(double v, double limit) {
    return std::isfinite(v) ? std::clamp(v, -limit, limit) : 0.0;
}

double DegreesCcw(ViewPoint centre, ViewPoint p) {
    const double a = std::atan2(static_cast<double>(centre.y - p.y), p.x - centre.x) * 180.0 / kPi;
    return a < 0.0 ? a + 360.0 : a;
}

BallChord Chord(ViewPoint centre, ViewPoint first, ViewPoint second, COLORREF fill) {
    BallChord c;
    c.first = first;
    c.second = second;
    c.fill = fill;
    c.startDegrees = DegreesCcw(centre, first);
    double sweep = DegreesCcw(centre, second) - c.startDegrees;
    if (sweep <= 0.0) sweep += 360.0; // both ends on one ray: the whole ball
    c.sweepDegrees = sweep;
    return c;
}

std::string DegreesText(const char* label, double degrees, bool valid) {
    if (!valid) return std::string(label) + "     n/a";
    return std::string(label) + " " + FormatFixed(degrees, 1, 6) + " deg.";
}

} // namespace

AttitudePicture ComputeAttitude(const AttitudeInput& in) {
    AttitudePicture a;
    const int h = in.clientHeight;
    a.panel = {3, h - 353, 163, h - 3};
    a.panelOutline = {2, h - 354, 165, h - 1};
    a.pitchRingOuter = {23, h - 343, 143, h - 223};
    a.pitchBall = {33, h - 333, 133, h - 233};
    a.rollRingOuter = {23, h - 183, 143, h - 63};
    a.rollBall = {33, h - 173, 133, h - 73};

    const bool external = in.useExtPRD != 0;
    const double pitch = external ? in.extPitch : in.pitchAvg;
    const double roll = external ? in.extRoll : in.rollAvg;
    const bool pitchValid = external ? in.extPitchValid != 0 : in.pitchValid != 0;
    const bool rollValid = external ? in.extRollValid != 0 : in.rollValid != 0;

    // Pitch ball: the water line sinks as the pitch rises. Beyond +-90 the
    // line would leave the ball (and the chord's arithmetic its domain), so
    // the drawing stops at +-90 whatever the sensor reports.
    const ViewPoint pitchCentre{83, h - 283};
    const double p = Bounded(pitch, 90.0) * 55.0 / 90.0;
    const int y = Trunc(h - 283 + p);
    const int cut = Trunc(60.0 - 60.0 * std::sin(std::acos(std::fabs(p) / 60.0)));
    const ViewPoint right{133 - cut, y}, left{33 + cut, y};
    a.pitchChords = {Chord(pitchCentre, right, left, kWaterColour),
                     Chord(pitchCentre, left, right, kGroundColour)};
    for (int k = 0; k <= 5; ++k)
        a.pitchTicks.push_back({{73, h - 313 + 12 * k}, {93, h - 313 + 12 * k}, 1, kTickColour});

    // Roll ball: the horizon is the diameter at the roll angle.
    const int c = h - 123;
    const ViewPoint rollCentre{83, c};
    const double r = Bounded(roll, 3600.0) * kIndicatorPi / 180.0;
    const int reach = Trunc(50.0 - 50.0 * std::cos(r));
    const double rise = -50.0 * std::sin(r);
    const ViewPoint hRight{133 - reach, Trunc(c - rise)}, hLeft{33 + reach, Trunc(c + rise)};
    a.rollChords = {Chord(rollCentre, hRight, hLeft, kWaterColour),
                    Chord(rollCentre, hLeft, hRight, kGroundColour)};
    for (double mark : {30.0, 70.0}) {
        const double m = mark * kIndicatorPi / 180.0;
        a.rollMarks.push_back(
            {{83 - Trunc(30.0 * std::cos(m - r)), c + Trunc(30.0 * std::sin(m - r))},
             {83 + Trunc(30.0 * std::cos(m + r)), c + Trunc(30.0 * std::sin(m + r))},
             1,
             kTickColour});
    }
    for (double tick : {-180.0, -135.0, -90.0, -45.0, 0.0}) {
        const double t = tick * kIndicatorPi / 180.0;
        a.rollScale.push_back({{Trunc(83 + 38.0 * std::cos(t)), Trunc(c + 38.0 * std::sin(t))},
                               {Trunc(83 + 47.0 * std::cos(t)), Trunc(c + 47.0 * std::sin(t))},
                               2,
                               kRollScaleColour});
    }

    a.pitchTextAt = {17, h - 220};
    a.rollTextAt = {17, h - 60};
    a.distanceTextAt = {17, h - 30};
    a.pitchText = DegreesText("P:", pitch, pitchValid);
    a.rollText = DegreesText("R:", roll, rollValid);
    // Inches show feet here: a distance down a pipe reads better that way.
    if (!in.extDistanceValid)
        a.distanceText = "D:     n/a";
    else if (in.units == 1 || in.units == 2)
        a.distanceText = "D: " + FormatFixed(in.extDistance / kMetresPerFoot, 1, 6) + " ft";
    else
        a.distanceText = "D: " + FormatFixed(in.extDistance, 1, 6) + " m";
    return a;
}
