#include "view/ViewGeometry.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
// The readouts have always converted with this value of 180 / pi.
constexpr double kDegreesPerRadian = 57.295780490442965;

double NormaliseDegrees(double a) {
    a = std::fmod(a, 360.0);
    return a < 0.0 ? a + 360.0 : a;
}
} // namespace

int BufferOrigin(double zoom) {
    return static_cast<int>(2.0 * kPictureRadius * zoom) / 2;
}

ViewPoint ImageTopLeft(int clientWidth, int clientHeight, double zoom, int panX, int panY) {
    return {static_cast<int>(clientWidth * 0.5 - kPictureRadius * zoom) + panX,
            static_cast<int>(clientHeight * 0.5 - kPictureRadius * zoom) + panY};
}

SectorWedge ComputeSectorWedge(ViewPoint screenCentre, int panX, int panY, double zoom,
                               int trainBearing, std::uint8_t sectorWidthCode) {
    SectorWedge w;
    w.centre = {screenCentre.x + panX, screenCentre.y + panY};
    w.radius = static_cast<int>(2.0 * kPictureRadius * zoom);
    const double sector = 3.0 * sectorWidthCode;
    w.startDegrees = 90.0 - (trainBearing + sector / 2.0);
    w.sweepDegrees = sector;
    w.fullCircle = sector >= 360.0;
    return w;
}

bool InsideWedge(const SectorWedge& wedge, double x, double y) {
    const double dx = x - wedge.centre.x;
    const double dy = wedge.centre.y - y; // arcs count upwards
    if (dx * dx + dy * dy > static_cast<double>(wedge.radius) * wedge.radius) return false;
    if (wedge.fullCircle) return true;
    if (wedge.sweepDegrees <= 0.0) return false;
    const double angle = NormaliseDegrees(std::atan2(dy, dx) * 180.0 / kPi);
    const double fromStart = NormaliseDegrees(angle - wedge.startDegrees);
    return fromStart <= wedge.sweepDegrees;
}

ScanLine ComputeScanLine(const ScanLineInput& in) {
    const double ox = in.clientWidth * 0.5 + in.panX;
    const double oy = in.clientHeight * 0.5 + in.panY;
    const double length = kPictureRadius * in.zoom;
    double a = in.beamAngle;
    // The head has already moved one step on by the time the line is drawn.
    if ((in.scanDirection == 0 && in.sonarUpDown == 0) ||
        (in.scanDirection == 1 && in.sonarUpDown != 0))
        a += in.stepSize * in.bearingScale;
    const double radians = a * kPi / 180.0;
    ScanLine line;
    line.from = {static_cast<int>(ox), static_cast<int>(oy)};
    line.to = {static_cast<int>(ox + std::sin(radians) * length),
               static_cast<int>(oy - std::cos(radians) * length)};
    return line;
}

int ColourBarIndex(int row, int clientHeight) {
    if (clientHeight <= 0) return 117;
    const long long scaled = static_cast<long long>(row) * 117 / clientHeight;
    return 117 - static_cast<int>(std::clamp<long long>(scaled, 0, 117));
}

HeadIcon SelectHeadIcon(int xdcrFwdAft, int zeroUpDown) {
    const bool forward = xdcrFwdAft == 1;
    if (zeroUpDown == 1) return forward ? HeadIcon::GreyStemUp : HeadIcon::RedStemUp;
    return forward ? HeadIcon::GreyStemDown : HeadIcon::RedStemDown;
}

CursorReadout ComputeCursorReadout(const CursorInput& in) {
    CursorReadout r;
    double ox = in.origin.x;
    double oy = in.origin.y;
    if (in.sectorMode == 2) {
        // Side scan: the reference sits 250 pixels left of centre at the mouse's height.
        ox = in.clientWidth / 2 - kPictureRadius;
        oy = in.y;
        r.hasBearing = false;
    }
    const double zoom = in.zoom > 0.0 ? in.zoom : 1.0;
    const double scale = in.rangeMetres / zoom / kPictureRadius * (in.soundVelocity / 1500.0);
    r.x = (in.x - ox) * scale;
    r.y = (oy - in.y) * scale;
    r.range = std::hypot(ox - in.x, oy - in.y) * scale;
    if (!r.hasBearing) return r;
    double b;
    if (in.y == oy) {
        b = in.x == ox ? -90.0 : 0.0;
    } else {
        b = std::atan((in.y - oy) / (in.x - ox)) * kDegreesPerRadian;
    }
    b += in.x >= ox ? 90.0 : 270.0;
    if (b >= 360.0 || b <= 0.0) b = 0.0;
    r.bearing = b;
    return r;
}
