// The condition of a pipe from one scan of profile points: where its centre
// is, its inside diameters and ovality, the cross-section left open against
// the nominal pipe and the debris lying on the invert. Everything is in the
// head's frame (the .xyz X and Y, metres, the head at the origin).
//
// The centre comes from a robust fit: the distance of each point from the
// centre is modelled as the nominal outline scaled, plus the first and second
// harmonics of the angle (the first is the centre's own offset, the second an
// oval), solved by iteratively re-weighted least squares. The first rounds
// use Huber weights, the later ones Tukey's biweight, which gives stray
// echoes no weight at all.
//
// Sediment is kept out of that fit: a flat layer across the invert can cover
// a third of the circumference, too much for any robust weighting, and the
// oval term would bend to it. So the wall is first fitted on the part of the
// scan no deposit reaches (above a level well clear of the invert), and the
// points on the lower side lying inside that wall are set aside as debris
// before the final fit over all of the remaining wall. Debris is then
// measured against the fitted wall.
//
// Before any of this each point is projected onto the plane square to the
// pipe with the head's pitch at its ping (see TiltCorrected).
#pragma once

#include <cstddef>
#include <limits>
#include <span>
#include <vector>

#include "analysis/ProfileSample.h"

namespace analysis {

enum class NominalShape { Circle = 0, HorseShoe = 1, IrregularCircle = 2 };

// The pipe the operator says this is ("PipeShape", "CircleDiameter",
// "HorseShoe Width", "HorseShoe Height"); the irregular circle's halves are
// fixed diameters of the overlay.
struct NominalPipe {
    NominalShape shape = NominalShape::Circle;
    double diameter = 1.0;
    double width = 1.6, height = 2.0;
    double upperDiameter = 2.0, lowerDiameter = 6.0;
    bool operator==(const NominalPipe&) const = default;
};

// The nominal outline about its centre: the crown circle's centre for a
// horse-shoe, the circle's for the others.
class NominalOutline {
  public:
    explicit NominalOutline(const NominalPipe& pipe = {});
    // Distance from the centre to the outline in the direction (c, s), a unit
    // vector (cosine and sine of the angle anticlockwise from +X).
    double Radius(double c, double s) const;
    double Area() const { return m_area; }
    bool IsCircle() const { return m_circle; }
    const NominalPipe& Pipe() const { return m_pipe; }

  private:
    NominalPipe m_pipe;
    bool m_circle = true;
    double m_area = 0.0;
    // Horse-shoe: crown radius, the walls' lower end, the invert circle.
    double m_crown = 0.0, m_wallBottom = 0.0, m_invertCentre = 0.0, m_invertRadius = 0.0;
};

struct AnalysisOptions {
    double minRange = 0.03;        // metres: nearer points are no wall (no echo found)
    std::size_t minPoints = 24;    // fewer points give no figures
    double fitCoverage = 120.0;    // degrees the centre fit needs
    double wallCoverage = 200.0;   // degrees of wall (debris set aside) diameters need
    double fullCoverage = 330.0;   // degrees diameters, areas need (a full circle with gaps)
    double debrisDeadband = 0.003; // metres inside the nominal wall still taken as wall
};

inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

struct ScanFigures {
    std::size_t points = 0; // usable profile points
    double coverage = 0.0;  // degrees of bearing covered
    double time = kNoValue; // at the scan's middle point
    double distance = 0.0;  // along the pipe at the scan's middle point
    // Each of the following is NaN when the scan does not cover enough.
    double centreX = kNoValue, centreY = kNoValue;
    double meanDiameter = kNoValue, minDiameter = kNoValue, maxDiameter = kNoValue;
    double minDiameterBearing = kNoValue; // degrees clockwise from up, 0..180
    double ovality = kNoValue;            // percent, ASTM F1216: 100 (mean - min) / mean
    double openArea = kNoValue, nominalArea = kNoValue, areaLoss = kNoValue;
    double debrisDepth = kNoValue, debrisArea = kNoValue;
    bool HasCentre() const { return centreX == centreX; }
};

// One profile point of the last analysed scan as the figures saw it: its
// place on the plane square to the pipe (metres, the head at the origin) and
// its radial deviation from the nominal wall about the fitted centre, metres,
// positive inward (debris, an intrusion), negative outward (lost wall, a
// bulge); NaN where the point is no wall echo or the scan has no centre.
struct AnalysedPoint {
    double x = 0.0, y = 0.0;
    double deviation = kNoValue;
};

// A scan as the views of the whole pipe take it: its figures, its samples and
// the analysed points, one per sample in the same order.
struct AnalysedScan {
    ScanFigures figures;
    std::vector<ProfileSample> samples;
    std::vector<AnalysedPoint> points;
};

// Analyses scans one after another with buffers it keeps, so a survey of any
// length runs in the same memory.
class ScanAnalyser {
  public:
    explicit ScanAnalyser(const NominalPipe& pipe = {}, const AnalysisOptions& options = {});
    void SetPipe(const NominalPipe& pipe);
    const NominalOutline& Outline() const { return m_outline; }
    ScanFigures Analyse(std::span<const ProfileSample> scan);
    // The points of the scan last given to Analyse, one per sample in order.
    std::span<const AnalysedPoint> Points() const { return m_analysed; }

  private:
    struct Point {
        double x, y, bearing;
        double rho, c, s; // about the centre being fitted
        double r;         // the nominal outline's radius towards (c, s)
    };
    // Fits the points whose m_use is set; from the algebraic circle through
    // them, or from (cx, cy) when fromGiven.
    bool FitCentre(bool withOval, bool fromGiven, double& cx, double& cy);
    // The scale (MAD) of the last fit's residuals over the points it used.
    double FitScale();
    // The same from the first `count` sizes of residuals in m_work (reordered).
    double MedianScale(std::size_t count);
    // Sets a deposit's points on the lower side apart (m_use) and fits the
    // wall without them, from the centre (cx, cy) of the fit over every
    // point; false when that cannot be done.
    bool SeparateDeposit(bool full, double size, double& cx, double& cy);
    // The fitted wall's distance from the fitted centre in direction (c, s).
    double ModelRadius(double c, double s) const;

    NominalOutline m_outline;
    AnalysisOptions m_options;
    std::vector<Point> m_points;
    std::vector<AnalysedPoint> m_analysed;
    std::vector<double> m_bearings, m_work, m_residual, m_weight;
    std::vector<double> m_bySector, m_window; // debris: depths inside the wall by sector
    std::vector<char> m_use, m_usePrevious;
    double m_beta[5] = {};
    bool m_withOval = false;
};

// A survey's totals, scan by scan: debris volume by the average end area
// between successive scans that both have a debris figure, and the worst
// places.
class ConditionSurvey {
  public:
    void Add(const ScanFigures& f);
    std::size_t Scans() const { return m_scans; }
    double DebrisVolume() const { return m_debrisVolume; } // cubic metres
    double WorstOvality() const { return m_worstOvality; } // NaN: none measured
    double WorstOvalityDistance() const { return m_worstOvalityDistance; }
    double WorstAreaLoss() const { return m_worstAreaLoss; }
    double WorstAreaLossDistance() const { return m_worstAreaLossDistance; }

  private:
    std::size_t m_scans = 0;
    double m_debrisVolume = 0.0;
    double m_worstOvality = kNoValue, m_worstOvalityDistance = kNoValue;
    double m_worstAreaLoss = kNoValue, m_worstAreaLossDistance = kNoValue;
    bool m_havePrevious = false;
    double m_previousArea = 0.0, m_previousDistance = 0.0;
};

} // namespace analysis
