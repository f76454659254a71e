// The pipe between its two nodes in a projected coordinate system, and the
// survey's points placed on it.
//
// The survey's chainage (its recorded distance, counted from the start node)
// runs along the straight line from the start node's invert to the finish
// node's. The pipe's axis lies half the pipe's height above that line,
// square to it; each scan's cross-section is the plane square to the axis,
// with x to the right and y up as seen looking from the start node to the
// finish node. Node coordinates are in the system's unit; chainage and the
// cross-section in metres, as the analysis gives them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/PipeCondition.h"
#include "analysis/WallPick.h"
#include "analysis/WorldCrs.h"
#include "format/SurveyDetails.h"

namespace geo {

using analysis::AnalysedPoint;
using analysis::ProfileSample;
using analysis::ScanFigures;
using Vec3 = std::array<double, 3>;

class PipeAxis {
  public:
    // start, finish: the nodes' inverts in the system's unit; height of
    // the pipe in metres. Valid() is false when the nodes coincide.
    PipeAxis(const survey::NodeCoordinates& start, const survey::NodeCoordinates& finish,
             double heightMetres, double metresPerUnit);
    bool Valid() const { return m_length > 0.0; }
    // Between the nodes' inverts, metres.
    double Length() const { return m_length * m_metresPerUnit; }
    double MetresPerUnit() const { return m_metresPerUnit; }
    // Chainage s is stretched by this (1: as measured).
    void SetStretch(double factor) { m_stretch = factor; }
    double Stretch() const { return m_stretch; }
    // The point at chainage s (metres), right and up of the axis (metres),
    // in the system's unit.
    Vec3 Place(double s, double right, double up) const;
    // The axis's point at chainage s.
    Vec3 OnAxis(double s) const { return Place(s, 0.0, 0.0); }
    // The inverts' line at chainage s, half the height below the axis.
    Vec3 OnInvert(double s) const;

  private:
    Vec3 m_origin{}; // the axis at the start node
    Vec3 m_along{}, m_right{}, m_up{};
    double m_length = 0.0; // system's unit
    double m_half = 0.0;   // half the height, system's unit
    double m_metresPerUnit = 1.0;
    double m_stretch = 1.0;
};

// The largest inside height of the nominal pipe (the settings' pipe, where
// the survey details give no height).
double NominalHeight(const analysis::NominalPipe& pipe);

// The pipe of a survey's details between its nodes: both nodes'
// coordinates, a crs PROJ resolves to a projected system and the pipe's
// height (height_mm, else the nominal pipe's). None, with the reason for
// the operator, where they do not place it; the reason is empty when the
// details give no coordinates or crs at all.
struct SurveyPlace {
    Crs crs;
    PipeAxis axis;
    // The unit's symbol as a drawing labels it: "m", "ft", "US ft".
    std::string UnitSymbol() const;
};
std::optional<SurveyPlace> PlaceOfSurvey(const survey::SurveyDetails& d,
                                         const analysis::NominalPipe& pipe, std::string* why);

// A point picked on a kept ring of the 3D view, placed as the point cloud's
// points are: about its ring's fitted centre, turned to the pipe's up, at
// the ring's chainage. In the system's unit.
Vec3 PlaceHit(const PipeAxis& axis, const analysis::WallHit& hit);

// Metres between the nodes' inverts of the survey details, in the unit of
// their crs as PROJ names it; NaN without both nodes or a crs PROJ places.
double LengthBetweenNodes(const survey::SurveyDetails& d);

// The text for the operator when the measured length and the nodes' distance
// differ by more than 2 %; empty otherwise. Lengths in metres.
std::string LengthNote(double measured, double betweenNodes);

// One profile point of an analysed scan, placed.
struct PlacedPoint {
    std::size_t index = 0; // into the scan's samples
    Vec3 world{};          // system's unit
};

// Places analysed scans in the world, scan by scan. A scan without a fitted
// centre takes the centre of its nearest neighbour along the pipe that has
// one, so such scans wait (up to kMaxWaiting of them) for the next fitted
// one; past that, or at the end, they take the last one fitted (or the head
// itself where none was).
class ScanPlacer {
  public:
    static constexpr std::size_t kMaxWaiting = 64;
    using Emit = std::function<void(const ScanFigures&, std::span<const ProfileSample>,
                                    std::span<const AnalysedPoint>, std::uint32_t number,
                                    std::span<const PlacedPoint>)>;
    explicit ScanPlacer(const PipeAxis& axis) : m_axis(axis) {}
    void Add(const ScanFigures& figures, std::span<const ProfileSample> samples,
             std::span<const AnalysedPoint> points, std::uint32_t number, const Emit& emit);
    void Flush(const Emit& emit);

  private:
    struct Waiting {
        ScanFigures figures;
        std::vector<ProfileSample> samples;
        std::vector<AnalysedPoint> points;
        std::uint32_t number = 0;
    };
    void Place(const ScanFigures& f, std::span<const ProfileSample> samples,
               std::span<const AnalysedPoint> points, std::uint32_t number, double cx, double cy,
               const Emit& emit);

    PipeAxis m_axis;
    std::deque<Waiting> m_waiting;
    bool m_haveCentre = false;
    double m_cx = 0.0, m_cy = 0.0, m_centreAt = 0.0; // the last fitted centre
    std::vector<PlacedPoint> m_placed;
};

} // namespace geo
