// The processing of one ping, shared by the acquisition thread and playback:
// decode the return header, move the echo line into the history, draw the
// ping into the image and hand its profile point on.
#pragma once

#include <cstddef>

#include "ping/PingDecoder.h"

enum class PingDrawing {
    Pixels,     // draw the wedge and the profile point into doc.m_image
    PointsOnly, // compute and emit the profile point, touch no pixel (converter)
};

// Sample spacing and receive delay of the head for one range code.
struct RangeTiming {
    double sampleSpacing = 0.002; // metres between echo samples
    double receiveDelay = 0.0;    // microseconds before the first sample
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
PingGeometry ComputePingGeometry(const CTubescanDoc& doc);

// Index into the 0.05-degree cosine/sine tables for a head angle (degrees
// clockwise from up). The screen angle is the head angle less 90 degrees,
// wrapped once into 0...360; an angle that still lies outside the tables
// (head positions far beyond one turn, large roll corrections, non-finite
// values) is reduced properly instead of reading past them.
std::size_t HeadAngleTableIndex(double headAngle);

// Paints the current ping's wedge (21 sub-beams blending the three history
// lines) into doc.m_image with the current colour table.
void DrawPing(CTubescanDoc& doc, const PingWorkspace& ws);

struct ProfilePoint {
    double distance = 0.0; // F: pixels from the centre at the current zoom
    double bearing = 0.0;  // b0: beam angle of the oldest history entry
    double minimum = 0.0;  // S: profile points at or inside this are not shown
    double radius = 0.0;   // B of the ping
};
// The profile point of the oldest entry of the profile history.
ProfilePoint ComputeProfilePoint(const CTubescanDoc& doc, const PingWorkspace& ws);

// When points are shown and the point lies between the minimum range and the
// picture's edge: stores its offset from the centre in ws.pointOffset and,
// with PingDrawing::Pixels, paints the dot (1, 5 or 9 pixels by m_pointSize).
void PlaceProfilePoint(CTubescanDoc& doc, PingWorkspace& ws, const ProfilePoint& point,
                       PingDrawing drawing);

// Processes the ping whose header and samples are in ws: decode, shift the
// line history, draw (Pixels only), then compute the profile point, hand it to
// doc.EmitProfilePoint and place it. Returns false when the header was rejected
// (nothing drawn, nothing emitted). The caller holds doc.m_pingMutex when
// another thread may read the image.
bool ProcessPing(CTubescanDoc& doc, PingWorkspace& ws, PingDrawing drawing = PingDrawing::Pixels);
