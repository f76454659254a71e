#include "view/OverlayGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Far outside any screen, yet small enough that sums of a few of them stay
// within int and QPainter's fixed-point range.
constexpr double kCoordinateLimit = 1.0e6;
// The invert of the horse-shoe sags this far below its walls, whatever its size.
constexpr double kInvertDepthMetres = 0.1524;

double Clamped(double value) {
    if (!std::isfinite(value)) return 0.0;
    return std::clamp(value, -kCoordinateLimit, kCoordinateLimit);
}

double RayDegrees(double centreX, double centreY, ViewPoint p) {
    if (p.x == centreX && p.y == centreY) return 0.0;
    // Screen y grows downwards; arc angles grow counter-clockwise.
    return std::atan2(centreY - p.y, p.x - centreX) * 180.0 / kPi;
}

ShapeArc SquareArc(double left, double top, double side, double start, double sweep) {
    const int s = ScreenCoordinate(side);
    return {ScreenCoordinate(left), ScreenCoordinate(top), s, s, start, sweep};
}

} // namespace

int ScreenCoordinate(double value) {
    return static_cast<int>(Clamped(value));
}

ViewPoint RecordToScreen(float x, float y, double zoom, ViewPoint origin) {
    return {ScreenCoordinate(x * zoom + origin.x), ScreenCoordinate(y * zoom + origin.y)};
}

void ScreenToRecord(int x, int y, double zoom, ViewPoint origin, float& recordX, float& recordY) {
    const double z = zoom > 0.0 && std::isfinite(zoom) ? zoom : 1.0;
    recordX = static_cast<float>(Clamped((x - origin.x) / z));
    recordY = static_cast<float>(Clamped((y - origin.y) / z));
}

std::optional<double> ShapePixelsPerMetre(double rangeMetres, double zoom, double soundVelocity) {
    if (!(rangeMetres > 0.0) || !(zoom > 0.0) || !(soundVelocity > 0.0)) return std::nullopt;
    const double k = (1500.0 / soundVelocity) * kPictureRadius * zoom / rangeMetres;
    if (!std::isfinite(k) || k <= 0.0) return std::nullopt;
    return k;
}

ShapeArc ArcBetweenRadials(int left, int top, int width, int height, ViewPoint from, ViewPoint to) {
    const double cx = left + width / 2.0;
    const double cy = top + height / 2.0;
    const double start = std::fmod(RayDegrees(cx, cy, from) + 360.0, 360.0);
    double sweep = std::fmod(RayDegrees(cx, cy, to) - start + 720.0, 360.0);
    if (sweep == 0.0) sweep = 360.0;
    return {left, top, width, height, start, sweep};
}

std::optional<PipeShapeOutline> ComputePipeShape(const PipeShapeInput& in) {
    const std::optional<double> scale =
        ShapePixelsPerMetre(in.rangeMetres, in.zoom, in.soundVelocity);
    if (!scale) return std::nullopt;
    const double k = *scale;
    const double place = in.zoom / in.rangeMetres;
    const int halfW = in.clientWidth / 2;
    const int halfH = in.clientHeight / 2;
    double vertical = in.offsetY - halfH;
    // In playback the bar above the picture takes room: the circle keeps its
    // place on the picture by this correction.
    if (in.shape == 0 && in.playback) vertical -= in.playbackBarHeight / 2;
    const int cx =
        ScreenCoordinate(halfW + Clamped((in.offsetX - halfW) * place) + in.imagePanX + in.panX);
    const int cy = ScreenCoordinate(halfH + Clamped(vertical * place) + in.imagePanY + in.panY);

    PipeShapeOutline out;
    out.centre = {cx, cy};
    if (in.shape == 1) {
        const double w = Clamped(k * in.horseShoeWidth);
        const double h = Clamped(k * in.horseShoeHeight);
        const double s = k * kInvertDepthMetres;
        const int l = ScreenCoordinate(cx - w / 2.0);
        const int t = ScreenCoordinate(cy - w / 2.0);
        const int side = ScreenCoordinate(w);
        const int r = l + side;
        out.arcs.push_back(ArcBetweenRadials(l, t, side, side, {r, t + side / 2}, {l, cy}));
        const int y3 = ScreenCoordinate(cy + h - w / 2.0 - s);
        out.segments.push_back({{l, cy}, {l, y3}});
        out.segments.push_back({{r, cy}, {r, y3}});
        // The invert: the circle through both wall feet that sags s below them.
        const double rho = Clamped(w * w / (8.0 * s) + s / 2.0);
        const int invertSide = ScreenCoordinate(2.0 * rho);
        out.arcs.push_back(ArcBetweenRadials(ScreenCoordinate(cx - rho),
                                             ScreenCoordinate(s + y3 - 2.0 * rho), invertSide,
                                             invertSide, {l, y3}, {r, y3}));
    } else if (in.shape == 2) {
        const double upper = Clamped(k * in.upperDiameter);
        const double lower = Clamped(k * in.lowerDiameter);
        const ShapeArc top = SquareArc(cx - upper / 2.0, cy - upper / 2.0, upper, 0.0, 180.0);
        const ShapeArc bottom = SquareArc(cx - lower / 2.0, cy - lower / 2.0, lower, 180.0, 180.0);
        out.arcs = {top, bottom};
        // Where the two halves differ in width, short level strokes join them.
        out.segments.push_back({{bottom.left, cy}, {top.left, cy}});
        out.segments.push_back({{top.left + top.width, cy}, {bottom.left + bottom.width, cy}});
        out.dotted = in.moving;
    } else {
        const double d = Clamped(k * in.circleDiameter);
        out.arcs.push_back(SquareArc(cx - d / 2.0, cy - d / 2.0, d, 0.0, 360.0));
    }
    return out;
}

void FoldShapeDisplacement(double& offsetX, double& offsetY, int& panX, int& panY,
                           double rangeMetres, double zoom) {
    if (rangeMetres > 0.0 && zoom > 0.0 && std::isfinite(rangeMetres) && std::isfinite(zoom)) {
        offsetX = Clamped(offsetX + panX * rangeMetres / zoom);
        offsetY = Clamped(offsetY + panY * rangeMetres / zoom);
    }
    panX = panY = 0;
}

std::optional<double> UpdateLineLabels(AnnotationBook& book, double zoom, ViewPoint origin,
                                       double rangeMetres, double soundVelocity, int units) {
    std::optional<double> last;
    auto& records = book.Mutable();
    for (int i = 0; i < book.ShownCount(); ++i) {
        ViewAnnotation& line = records[static_cast<std::size_t>(i)];
        if (line.kind != kAnnotationLine) continue;
        const ViewPoint a = RecordToScreen(line.x1, line.y1, zoom, origin);
        const ViewPoint b = RecordToScreen(line.x2, line.y2, zoom, origin);
        const double metres =
            MeasuredLengthMetres(static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y,
                                 rangeMetres, zoom, soundVelocity);
        line.text = LengthLabel(metres, units);
        last = metres;
    }
    return last;
}

int NoteFontHeight(int textSize) {
    static constexpr int kHeights[5] = {16, 18, 21, 25, 30};
    return kHeights[std::clamp(textSize, 0, 4)];
}

HotKey HotKeyFor(char32_t ch, const HotKeyState& state) {
    switch (ch) {
    case U'c':
    case U'C':
        return HotKey::ClearImage;
    case U'h':
    case U'H':
        return HotKey::Hold;
    case U'z':
    case U'Z':
        return HotKey::Zoom;
    case U'm':
    case U'M':
        // Moving a shape that is not shown would only confuse the next drag.
        return state.pipeShapeShown ? HotKey::MoveShape : HotKey::None;
    case U'r':
    case U'R':
        return HotKey::Range;
    case U'g':
    case U'G':
        return HotKey::Gain;
    case U's':
    case U'S':
        return HotKey::Sector;
    case U't':
    case U'T':
        return HotKey::Train;
    case U' ':
        // The head can only be reversed while it is live, and a space in text
        // mode belongs to the note.
        return !state.playback && !state.textInputMode ? HotKey::Reverse : HotKey::None;
    case 0x1B:
        return HotKey::Cancel;
    default:
        return HotKey::None;
    }
}

double ZoomKeyStep(double zoom) {
    if (!std::isfinite(zoom)) return 0.5;
    zoom += zoom < 2.0 ? 0.25 : 1.0;
    return zoom > 3.0 ? 0.5 : zoom;
}
