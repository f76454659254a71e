// The pipe as a whole for the 3D views: the analysed scans kept as rings of
// points along the distance, in bounded memory however long the survey runs.
// A ring keeps at most kMaxRingPoints of its points (evenly spaced along the
// scan). When the rings reach kMaxRings, every second one is dropped and from
// then on only every second scan is taken, so the kept rings stay evenly
// spread over the whole pipe and a four-hour survey costs what a short one
// does.
#pragma once

#include <cstddef>
#include <limits>
#include <span>
#include <vector>

#include "analysis/PipeCondition.h"

namespace analysis {

struct PipePoint {
    float x = 0.0f, y = 0.0f; // metres, on the plane square to the pipe
    float deviation = 0.0f;   // metres, positive inward; NaN where none
};

// Where a ring sits in the pipe: its scan's fitted centre in the points'
// frame (NaN where the fit failed) and where the pipe's up lies in it,
// degrees clockwise from +Y (ProfileSample::upBearing). What placing a
// point of it between the survey's nodes needs, and nothing the drawing does.
struct RingFrame {
    float centreX = std::numeric_limits<float>::quiet_NaN();
    float centreY = std::numeric_limits<float>::quiet_NaN();
    float upBearing = 0.0f;
    bool HasCentre() const { return centreX == centreX; }
};

// A scan's frame: its figures' centre and its samples' mean up bearing.
RingFrame RingFrameOf(const ScanFigures& figures, std::span<const ProfileSample> samples);

struct PipeRing {
    double distance = 0.0; // metres along the pipe
    std::vector<PipePoint> points;
    RingFrame frame;
    float reach = 0.0f; // metres from the head to the ring's furthest point
};

class PipeHistory {
  public:
    static constexpr std::size_t kMaxRings = 2048;
    // 240 points still draw a ring all the way round at any size the dock
    // takes; the history then holds at most about 6 MB (12 bytes a point).
    static constexpr std::size_t kMaxRingPoints = 240;

    PipeHistory() = default;
    PipeHistory(std::size_t maxRings, std::size_t maxRingPoints)
        : m_maxRings(maxRings < 2 ? 2 : maxRings),
          m_maxRingPoints(maxRingPoints < 1 ? 1 : maxRingPoints) {}

    // Takes one analysed scan at its distance. A scan more than a metre back
    // along the pipe starts the history anew (a new file, a replay). Returns
    // true when the scan was kept.
    bool Add(double distance, std::span<const AnalysedPoint> points);
    bool Add(const AnalysedScan& scan);
    // Takes a ring already thinned (RingOf), as the live analysis hands it over.
    bool AddRing(double distance, std::span<const PipePoint> ring, const RingFrame& frame = {});
    void Clear();

    // At most maxPoints of a scan's points, evenly spaced along it, so a
    // thinned ring still goes all the way round.
    static std::vector<PipePoint> RingOf(std::span<const AnalysedPoint> points,
                                         std::size_t maxPoints = kMaxRingPoints);

    const std::vector<PipeRing>& Rings() const { return m_rings; }
    // What the kept rings take, bytes (the points and the rings' own size).
    std::size_t Bytes() const;
    std::size_t Points() const { return m_points; }
    bool Empty() const { return m_rings.empty(); }
    double FirstDistance() const;
    double LastDistance() const;
    // The distance of the kept ring nearest to distance; NaN when none.
    double NearestRing(double distance) const;
    // The frame of ring index, its centre taken from the nearest ring along
    // the pipe that has one where its own fit failed (as the placed point
    // cloud does); no centre when no kept ring has one.
    RingFrame FrameOf(std::size_t index) const;

    // Interleaved vertices, seven floats each: x, y, z (centimetres, z the
    // distance) and the deviation colour as r, g, b, a in 0..1. At most
    // budget points, taken evenly from every ring so the whole pipe stays in
    // view at a coarser grain. Returns the number of vertices.
    std::size_t FillVertices(std::size_t budget, std::vector<float>& out) const;

  private:
    void Halve();

    std::size_t m_maxRings = kMaxRings;
    std::size_t m_maxRingPoints = kMaxRingPoints;
    std::vector<PipeRing> m_rings;
    std::size_t m_points = 0;
    std::size_t m_stride = 1; // scans per kept ring
    std::size_t m_scan = 0;   // scans taken since the start, kept or not
};

} // namespace analysis
