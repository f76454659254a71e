#include "view/GridGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

// The polar grid's centre line has always turned with this value of pi.
constexpr double kLinePi = 3.1415926;
constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerFoot = 0.3048;

int Trunc(double v) {
    return static_cast<int>(v);
}

GridStroke Line(GridPen pen, double x1, double y1, double x2, double y2) {
    GridStroke s;
    s.pen = pen;
    s.from = {Trunc(x1), Trunc(y1)};
    s.to = {Trunc(x2), Trunc(y2)};
    return s;
}

// A point of the circle of `radius` around `centre` at `degrees`
// counter-clockwise from the positive x axis (screen rows run downwards).
ViewPoint OnCircle(ViewPoint centre, int radius, double degrees) {
    const double a = degrees * kPi / 180.0;
    return {centre.x + static_cast<int>(std::lround(radius * std::cos(a))),
            centre.y - static_cast<int>(std::lround(radius * std::sin(a)))};
}

void RectangleGrid(const GridInput& in, double zoom, double velocity, GridPicture& g) {
    const double e = kPictureRadius * zoom * 1500.0 / velocity;
    // Feet divide the range as metres x 3, so a division is 3 x 0.3048 / 5 of it.
    const double s = in.units == 1 || in.units == 2 ? e * 3.0 * kMetresPerFoot : e;
    const double cx = in.clientWidth * 0.5 + in.panX;
    const double cy = in.clientHeight * 0.5 + in.panY;
    for (int i = 0; i <= 10; ++i) {
        const double y = cy - s + i * s / 5.0;
        g.strokes.push_back(Line(GridPen::Grid, cx - e, y, cx + e, y));
    }
    for (int i = 0; i <= 10; ++i) {
        const double x = cx - s + i * s / 5.0;
        g.strokes.push_back(Line(GridPen::Grid, x, cy - e, x, cy + e));
    }
    g.strokes.push_back(Line(GridPen::Cross, cx - e, cy, cx + e, cy));
    g.strokes.push_back(Line(GridPen::Cross, cx, cy - e, cx, cy + e));
}

void PolarGrid(const GridInput& in, double zoom, double velocity, GridPicture& g) {
    double r = kPictureRadius * zoom * 1500.0 / velocity;
    if (in.units == 1 || in.units == 2) r *= 3.0 * kMetresPerFoot;
    const ViewPoint c{in.clientWidth / 2 + in.panX, in.clientHeight / 2 + in.panY};
    // A code above a full circle would only wind the arcs round again.
    const int code = std::min<int>(in.sectorWidthCode, 120);
    const int train = std::clamp(in.trainBearing, -3600, 3600);
    if (code != 0) {
        const double start = 90.0 - train - 1.5 * code;
        const double sweep = 3.0 * code;
        ViewPoint end = c;
        for (int i = 1; i <= 5; ++i) {
            GridStroke arc;
            arc.isArc = true;
            arc.centre = c;
            arc.radius = Trunc(i * r / 5.0);
            arc.startDegrees = start;
            arc.sweepDegrees = sweep;
            // Each ring is joined to the centre, so the rings also draw the
            // sector's edges.
            GridStroke radial;
            radial.from = c;
            radial.to = OnCircle(c, arc.radius, start);
            g.strokes.push_back(radial);
            g.strokes.push_back(arc);
            end = OnCircle(c, arc.radius, start + sweep);
        }
        GridStroke back;
        back.from = end;
        back.to = c;
        g.strokes.push_back(back);
    }
    if (code == 120) {
        g.strokes.push_back(Line(GridPen::CentreLine, c.x, c.y - r, c.x, c.y + r));
        g.strokes.push_back(Line(GridPen::CentreLine, c.x - r, c.y, c.x + r, c.y));
    } else {
        const double u = (train - 90.0) * kLinePi / 180.0;
        GridStroke centre;
        centre.pen = GridPen::CentreLine;
        centre.from = c;
        centre.to = {c.x + Trunc(std::cos(u) * r), c.y + Trunc(std::sin(u) * r)};
        g.strokes.push_back(centre);
    }
}

} // namespace

double DrawingZoom(double zoom) {
    return std::isfinite(zoom) ? std::clamp(zoom, 0.5, 3.0) : 1.0;
}

double DrawingSoundVelocity(double metresPerSecond) {
    return std::isfinite(metresPerSecond) ? std::clamp(metresPerSecond, 1400.0, 1600.0) : 1500.0;
}

int DrawingRangeIndex(int rangeIndex) {
    return std::clamp(rangeIndex, 0, 9);
}

COLORREF CrossColour(COLORREF gridColour) {
    const COLORREF green = std::min<COLORREF>(((gridColour >> 8) & 0xFF) + 50, 255);
    return (gridColour & 0x00FF00FF) | (green << 8);
}

GridPicture ComputeGrid(const GridInput& in) {
    GridPicture g;
    g.style = in.gridStyle == 1   ? GridLineStyle::Dotted
              : in.gridStyle == 2 ? GridLineStyle::Dashed
                                  : GridLineStyle::Solid;
    g.gridColour = in.gridColour & 0x00FFFFFF;
    g.crossColour = CrossColour(g.gridColour);
    const double zoom = DrawingZoom(in.zoom);
    const double velocity = DrawingSoundVelocity(in.soundVelocity);
    if (in.gridType == 1) RectangleGrid(in, zoom, velocity, g);
    if (in.gridType == 2) PolarGrid(in, zoom, velocity, g);
    return g;
}
