// Where the sonar picture, its clip wedge, the scan line and the colour bar
// land in the view. Pure arithmetic, shared by the view and its tests.
#pragma once

#include <cstdint>

struct ViewPoint {
    int x = 0, y = 0;
    bool operator==(const ViewPoint&) const = default;
};

// Pixels the full range spans at zoom 1.
inline constexpr int kPictureRadius = 250;

// Position of the sonar origin inside the image buffer (both coordinates):
// trunc(2 x 250 x zoom) / 2.
int BufferOrigin(double zoom);

// Upper-left corner of the image buffer in the client area.
ViewPoint ImageTopLeft(int clientWidth, int clientHeight, double zoom, int panX, int panY);

// The sector the clip wedge shows. Angles follow the counter-clockwise-from-
// +x convention of arcs: a train bearing of 0 centres the wedge straight up.
struct SectorWedge {
    ViewPoint centre;
    int radius = 0;
    double startDegrees = 0.0;
    double sweepDegrees = 0.0;
    bool fullCircle = false;
};
SectorWedge ComputeSectorWedge(ViewPoint screenCentre, int panX, int panY, double zoom,
                               int trainBearing, std::uint8_t sectorWidthCode);

// Is the client pixel (x, y) inside the wedge? (Pixel centres, for tests and
// for callers that fill spans themselves.)
bool InsideWedge(const SectorWedge& wedge, double x, double y);

// Both ends of the scan line.
struct ScanLine {
    ViewPoint from, to;
};
struct ScanLineInput {
    int clientWidth = 0, clientHeight = 0;
    int panX = 0, panY = 0;
    double zoom = 1.0;
    double beamAngle = 0.0; // degrees, clockwise from straight up
    std::uint8_t stepSize = 0;
    double bearingScale = 0.3;
    int scanDirection = 0;
    int sonarUpDown = 0;
};
ScanLine ComputeScanLine(const ScanLineInput& in);

// Colour-table index of row r of the colour bar: strongest (117) at the top.
int ColourBarIndex(int row, int clientHeight);

// Which of the four head orientation pictures applies.
enum class HeadIcon { GreyStemUp, RedStemUp, GreyStemDown, RedStemDown };
HeadIcon SelectHeadIcon(int xdcrFwdAft, int zeroUpDown);

// Cursor readouts from the sonar origin, as the status bar shows them.
// The cursor read-outs the status bar shows: the last mouse position's values
// (a position without a bearing keeps the one before).
struct CursorValues {
    double x = 0.0, y = 0.0, range = 0.0, bearing = 0.0;
};
struct CursorReadout {
    double x = 0.0, y = 0.0, range = 0.0; // metres, y positive upwards
    double bearing = 0.0;                 // degrees clockwise from up
    bool hasBearing = true;
};
struct CursorInput {
    int x = 0, y = 0;    // mouse, client coordinates
    ViewPoint origin;    // sonar origin on the screen
    int clientWidth = 0; // for the side-scan reference point
    double rangeMetres = 1.0;
    double zoom = 1.0;
    double soundVelocity = 1500.0;
    int sectorMode = 1;
};
CursorReadout ComputeCursorReadout(const CursorInput& in);
