// The processing of one ping, shared by the acquisition thread and playback:
// move the echo line into the history, draw the ping's wedge into an image
// view and work out its profile point, which is returned for the caller to
// hand on.
#pragma once

#include <cstddef>

#include "ping/PingDecoder.h"
#include "ping/ProfileEcho.h"
#include "ping/SonarBitmap.h"
#include "ping/TrigTables.h"

enum class PingDrawing {
    Pixels,     // draw the wedge and the profile point into the document's image
    PointsOnly, // compute and emit the profile point, touch no pixel (converter)
};

// Codes the head does not know get the neutral row (2 mm, no delay).
RangeTiming RangeTimingForCode(int rangeCode);

// What one ping's drawing and profile point share.
struct PingGeometry {
    double zoom = 1.0;
    double radius = 0.0;      // B: picture radius in pixels, a whole number; centre (B, B)
    double firstSample = 0.0; // u: distance of the first sample from the centre in pixels
    RangeTiming timing;
};
PingGeometry ComputePingGeometry(const PingSettings& settings, std::uint8_t rangeCode);

// Index into the 0.05-degree cosine/sine tables for a head angle (degrees
// clockwise from up). The screen angle is the head angle less 90 degrees,
// wrapped once into 0...360; an angle that still lies outside the tables
// (head positions far beyond one turn, large roll corrections, non-finite
// values) is reduced properly instead of reading past them.
std::size_t HeadAngleTableIndex(double headAngle);

// Blue, green, red rows, top-down; bytes is the buffer's length, checked
// before anything is drawn. An image smaller than 5 x 5 is left alone.
struct ImageView {
    std::uint8_t* pixels = nullptr;
    std::size_t bytes = 0;
    int width = 0;
    int height = 0;
};

// Where and how the ping's wedge lies.
struct WedgePose {
    std::uint8_t rangeCode = 10;
    double beamAngle = 0.0;
    int scanDirection = 1;
};

// Paints the ping's wedge (21 sub-beams blending the three history lines)
// into the image with the settings' colour table.
void DrawPing(const PingSettings& settings, const WedgePose& pose, const EchoLines& lines,
              const TrigTables& trig, const CSonarBitmap& colours, ImageView image);

struct ProfilePoint {
    double distance = 0.0; // F: pixels from the centre at the current zoom
    double bearing = 0.0;  // b0: beam angle of the oldest history entry
    double minimum = 0.0;  // S: profile points at or inside this are not shown
    double radius = 0.0;   // B of the ping
    std::uint8_t echo = 0; // echo level at the point (see ProfileEchoLevel)
};
// The profile point of the oldest entry of the profile history.
ProfilePoint ComputeProfilePoint(const PingSettings& settings, std::uint8_t rangeCode,
                                 const ProfileHistory& history);

// When points are shown and the point lies between the minimum range and the
// picture's edge: stores its offset from the centre in pointOffset and, given
// an image, paints the dot (1, 5 or 9 pixels by the point size).
void PlaceProfilePoint(const PingSettings& settings, const ProfilePoint& point,
                       const TrigTables& trig, PointOffset& pointOffset, const ImageView* image);

// Processes an accepted ping: profile history, line history, the wedge
// (only given an image: without one nothing is drawn, as the converter
// wants), then the profile point, placed and returned. The caller holds its
// ping lock when another thread may read the image.
ProfilePoint ProcessPing(const DecodedReturn& ping, const PingSettings& settings,
                         const EchoLine& samples, PingHistory& history, const TrigTables& trig,
                         const CSonarBitmap& colours, const ImageView* image);
