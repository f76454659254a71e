// The pitch, roll and distance indicator in the lower-left corner of the
// view: a panel, a pitch ball whose water line sinks as the nose rises, a
// roll ball whose horizon tilts, and three text lines. Pure geometry and
// text; the attitude layer paints what this returns.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "view/GridGeometry.h"

inline constexpr COLORREF kPanelColour = 0x00505050;        // RGB(80, 80, 80)
inline constexpr COLORREF kPanelOutlineColour = 0x0096BEC8; // RGB(200, 190, 150)
inline constexpr COLORREF kRingColour = 0x0078BEFF;         // RGB(255, 190, 120)
inline constexpr COLORREF kWaterColour = 0x00C87864;        // RGB(100, 120, 200)
inline constexpr COLORREF kGroundColour = 0x00787878;       // RGB(120, 120, 120)
inline constexpr COLORREF kTickColour = 0x00B4B4B4;         // RGB(180, 180, 180)
inline constexpr COLORREF kRollScaleColour = 0x00008CFF;    // RGB(255, 140, 0)
inline constexpr COLORREF kAttitudeTextColour = 0x0000C8C8; // RGB(200, 200, 0)
inline constexpr int kAttitudeFontHeight = 25;

// Right and bottom exclusive.
struct ViewRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The part of a ball cut off by a secant, from the two radial points that
// give the secant's ends: the arc runs counter-clockwise (on the screen) from
// the first end to the second and the secant closes it.
struct BallChord {
    ViewPoint first, second;   // the radial points
    double startDegrees = 0.0; // of the first end, counter-clockwise from +x
    double sweepDegrees = 0.0; // counter-clockwise, (0, 360]
    COLORREF fill = 0;
};

struct AttitudeLine {
    ViewPoint from, to;
    int width = 1;
    COLORREF colour = 0;
};

struct AttitudeInput {
    int clientHeight = 0;
    int units = 0;
    int useExtPRD = 0;
    double pitchAvg = 0.0, rollAvg = 0.0; // the head's, degrees
    int pitchValid = 0, rollValid = 0;
    double extPitch = 0.0, extRoll = 0.0; // the external sensor's, degrees
    int extPitchValid = 0, extRollValid = 0;
    double extDistance = 0.0; // metres
    int extDistanceValid = 0;
};

struct AttitudePicture {
    ViewRect panel, panelOutline;
    ViewRect pitchRingOuter, pitchBall; // the ring is the band between the two circles
    ViewRect rollRingOuter, rollBall;
    std::array<BallChord, 2> pitchChords; // water above, ground below
    std::array<BallChord, 2> rollChords;
    std::vector<AttitudeLine> pitchTicks, rollMarks, rollScale;
    ViewPoint pitchTextAt, rollTextAt, distanceTextAt;
    std::string pitchText, rollText, distanceText;
};

AttitudePicture ComputeAttitude(const AttitudeInput& in);
