// The measuring grid over the sonar picture: where its lines and arcs lie and
// in which pens they are drawn. Pure arithmetic, so every line can be checked
// without painting it. Values that come from the settings file are clamped
// here before they become pixel positions.
#pragma once

#include <cstdint>
#include <vector>

#include "view/ViewGeometry.h"

using COLORREF = std::uint32_t; // 0x00BBGGRR

// The zoom, speed of sound and range index as the drawing uses them: a value
// from a hand-edited settings file can be anything, and the drawing must not
// turn it into an absurd or undefined pixel position or table index.
double DrawingZoom(double zoom);                     // 0.5 ... 3.0; not finite: 1.0
double DrawingSoundVelocity(double metresPerSecond); // 1400 ... 1600; not finite: 1500
int DrawingRangeIndex(int rangeIndex);               // 0 ... 9

// The centre cross stands out from the grid: 50 more green, capped at 255,
// red and blue unchanged.
COLORREF CrossColour(COLORREF gridColour);

enum class GridLineStyle { Solid, Dotted, Dashed };
// Which pen a stroke takes: the grid's own (its style and colour), the centre
// cross's (solid, CrossColour) or the polar grid's centre lines (solid,
// RGB(120, 120, 0)).
enum class GridPen { Grid, Cross, CentreLine };
inline constexpr COLORREF kGridCentreLineColour = 0x00007878; // RGB(120, 120, 0)

// One straight line, or one arc around `centre` (degrees counter-clockwise
// from the positive x axis, as arcs are given on the screen).
struct GridStroke {
    GridPen pen = GridPen::Grid;
    bool isArc = false;
    ViewPoint from, to;
    ViewPoint centre;
    int radius = 0;
    double startDegrees = 0.0;
    double sweepDegrees = 0.0;
};

struct GridInput {
    int gridType = 0;  // 0 none, 1 rectangle, 2 polar
    int gridStyle = 0; // 0 solid, 1 dotted, 2 dashed
    COLORREF gridColour = 0;
    int units = 0; // 0 metres, 1 feet, 2 inches
    int clientWidth = 0, clientHeight = 0;
    int panX = 0, panY = 0;
    double zoom = 1.0;
    double soundVelocity = 1500.0;
    int trainBearing = 0; // degrees clockwise from up
    std::uint8_t sectorWidthCode = 120;
};

struct GridPicture {
    GridLineStyle style = GridLineStyle::Solid;
    COLORREF gridColour = 0;
    COLORREF crossColour = 0;
    std::vector<GridStroke> strokes; // in drawing order
};

GridPicture ComputeGrid(const GridInput& in);
