// The point of the pipe's wall under the mouse in the 3D views, and where it
// lies on its cross-section. Plain geometry over the kept rings, so the view
// only hands over the mouse's ray and shows what comes back.
#pragma once

#include <array>
#include <optional>

#include "analysis/PipeHistory.h"

namespace analysis {

// A ray through the drawn pipe, in the drawing's frame: x right and y up of
// the head (metres), z the distance along the pipe (metres) times zScale, as
// the views shorten a long pipe. A drawn point counts as under the mouse
// when it lies within tolerance + spread * t of the ray, t metres from its
// start: a cone a few pixels wide, as the camera's perspective widens it.
struct WallRay {
    std::array<double, 3> from{};
    std::array<double, 3> along{}; // need not be of unit length
    double zScale = 1.0;
    double tolerance = 0.0;
    double spread = 0.0;
};

struct WallHit {
    std::size_t ring = 0;    // into the history's rings
    double distance = 0.0;   // the ring's, metres along the pipe
    double x = 0.0, y = 0.0; // the point as drawn, metres
    double deviation = 0.0;  // metres, inward positive; NaN where none
    RingFrame frame;         // PipeHistory::FrameOf(ring)
};

// The drawn point under the ray nearest its start (the one in front), or
// none when the ray misses the pipe.
std::optional<WallHit> PickWall(const PipeHistory& history, const WallRay& ray);

// A point of a ring on the cross-section square to the pipe: right of and up
// from the fitted centre as the pipe's up stands (metres), the bearing about
// that centre clockwise from up (0 to 360 degrees) and the distance from it.
// Without a centre the head stands in for it.
struct SectionPoint {
    double right = 0.0, up = 0.0;
    double bearing = 0.0;
    double radius = 0.0;
};
SectionPoint OnSection(double x, double y, const RingFrame& frame);
SectionPoint OnSection(double x, double y, double centreX, double centreY, double upBearing);

} // namespace analysis
