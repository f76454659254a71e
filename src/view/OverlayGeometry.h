// Where the pipe-shape overlay, the notes and the measurement lines land on
// the screen, and the view's hot keys. Pure arithmetic, shared by the view's
// layers and their tests. Every value that comes from the settings file
// (range, zoom, offsets, sizes) is checked before it divides or becomes an
// integer: a bad file hides the shape instead of crashing the picture.
#pragma once

#include <optional>
#include <vector>

#include "doc/Annotations.h"
#include "view/ViewGeometry.h"

// A double as a screen coordinate: truncated, kept within a range QPainter
// handles, 0 when it is not a number.
int ScreenCoordinate(double value);

// A record point (picture pixels at zoom 1 from the sonar origin) on the
// screen, and back.
ViewPoint RecordToScreen(float x, float y, double zoom, ViewPoint origin);
void ScreenToRecord(int x, int y, double zoom, ViewPoint origin, float& recordX, float& recordY);

// Screen pixels per metre of pipe: (1500 / speed of sound) x 250 x zoom /
// range. Empty when range, zoom or speed is not a positive number.
std::optional<double> ShapePixelsPerMetre(double rangeMetres, double zoom, double soundVelocity);

// An arc of the ellipse in the box, counter-clockwise from startDegrees
// (0 = right, 90 = up) over sweepDegrees.
struct ShapeArc {
    int left = 0, top = 0, width = 0, height = 0;
    double startDegrees = 0.0, sweepDegrees = 0.0;
};
struct ShapeSegment {
    ViewPoint from, to;
};
// The arc of the box that runs counter-clockwise from the ray through
// `from` to the ray through `to`; coinciding rays give the full ellipse.
ShapeArc ArcBetweenRadials(int left, int top, int width, int height, ViewPoint from, ViewPoint to);

struct PipeShapeInput {
    int shape = 0; // 0 circle, 1 horse-shoe, 2 irregular circle
    int clientWidth = 0, clientHeight = 0;
    double offsetX = 0.0, offsetY = 0.0; // stored centre
    int imagePanX = 0, imagePanY = 0;    // picture pan
    int panX = 0, panY = 0;              // displacement while the shape is dragged
    double rangeMetres = 1.0, zoom = 1.0, soundVelocity = 1500.0;
    double circleDiameter = 1.0;
    double horseShoeWidth = 1.6, horseShoeHeight = 2.0;
    double upperDiameter = 2.0, lowerDiameter = 6.0; // irregular circle
    bool playback = false;
    int playbackBarHeight = 0; // client height of the playback bar
    bool moving = false;       // shape moving mode
};

struct PipeShapeOutline {
    ViewPoint centre;
    std::vector<ShapeArc> arcs;
    std::vector<ShapeSegment> segments;
    bool dotted = false; // 1-pixel dotted pen instead of the 2-pixel solid one
};

// The outline of the pipe shape; empty when the scale cannot be computed.
std::optional<PipeShapeOutline> ComputePipeShape(const PipeShapeInput& in);

// Ends a shape drag: the displacement goes into the stored centre (in the
// units the centre is kept in) and is reset. Nothing moves when range or
// zoom are not usable.
void FoldShapeDisplacement(double& offsetX, double& offsetY, int& panX, int& panY,
                           double rangeMetres, double zoom);

// Writes each shown line's length label (units 0 m, 1 ft, 2 in) from its
// screen ends; returns the length of the last line drawn, if any.
std::optional<double> UpdateLineLabels(AnnotationBook& book, double zoom, ViewPoint origin,
                                       double rangeMetres, double soundVelocity, int units);
// Whether lines are drawn at all: once a record is finished, or while measuring.
inline bool LinesShown(int annotationCount, int measureMode) {
    return annotationCount > 0 || measureMode != 0;
}

// Font height in pixels of the notes for "TextSize" 0 ... 4.
int NoteFontHeight(int textSize);

// The view's hot keys (either case). Space and M act only when allowed.
enum class HotKey {
    None,
    ClearImage,
    Hold,
    Zoom,
    MoveShape,
    Range,
    Gain,
    Sector,
    Train,
    Reverse,
    Cancel
};
struct HotKeyState {
    bool playback = false;
    bool textInputMode = false;
    bool pipeShapeShown = false;
};
HotKey HotKeyFor(char32_t ch, const HotKeyState& state);
// Z: quarter steps below 2, whole steps from 2 on, past 3 back to 0.5.
double ZoomKeyStep(double zoom);
