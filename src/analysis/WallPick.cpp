#include "analysis/WallPick.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace analysis {

std::optional<WallHit> PickWall(const PipeHistory& history, const WallRay& ray) {
    const auto& d = ray.along;
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(len > 0.0) || !std::isfinite(len)) return std::nullopt;
    const double u[3] = {d[0] / len, d[1] / len, d[2] / len};
    const auto& a = ray.from;
    // Distance of q from the ray and how far along it q lies.
    const auto measure = [&](double qx, double qy, double qz, double& t) {
        const double v[3] = {qx - a[0], qy - a[1], qz - a[2]};
        t = v[0] * u[0] + v[1] * u[1] + v[2] * u[2];
        const double w[3] = {v[0] - t * u[0], v[1] - t * u[1], v[2] - t * u[2]};
        return std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
    };
    std::optional<WallHit> best;
    double bestT = std::numeric_limits<double>::infinity();
    const std::vector<PipeRing>& rings = history.Rings();
    for (std::size_t r = 0; r < rings.size(); ++r) {
        const PipeRing& ring = rings[r];
        const double z = ring.distance * ray.zScale;
        // A ring the ray passes wide of is skipped whole: its points all lie
        // within its reach of the head's place on it.
        double t = 0.0;
        const double miss = measure(0.0, 0.0, z, t);
        if (miss > ring.reach + ray.tolerance + ray.spread * (std::max(t, 0.0) + ring.reach))
            continue;
        for (const PipePoint& p : ring.points) {
            const double off = measure(p.x, p.y, z, t);
            if (t <= 0.0 || t >= bestT || off > ray.tolerance + ray.spread * t) continue;
            bestT = t;
            best = WallHit{r, ring.distance, p.x, p.y, p.deviation, {}};
        }
    }
    if (best) best->frame = history.FrameOf(best->ring);
    return best;
}

SectionPoint OnSection(double x, double y, double centreX, double centreY, double upBearing) {
    if (std::isfinite(centreX) && std::isfinite(centreY)) {
        x -= centreX;
        y -= centreY;
    }
    // Turned so the pipe's up is up.
    const double k = std::numbers::pi / 180.0;
    const double c = std::cos(upBearing * k), s = std::sin(upBearing * k);
    SectionPoint p;
    p.right = x * c - y * s;
    p.up = x * s + y * c;
    p.radius = std::hypot(p.right, p.up);
    p.bearing = std::atan2(p.right, p.up) / k;
    if (p.bearing < 0.0) p.bearing += 360.0;
    return p;
}

SectionPoint OnSection(double x, double y, const RingFrame& frame) {
    return OnSection(x, y, frame.centreX, frame.centreY, frame.upBearing);
}

} // namespace analysis
