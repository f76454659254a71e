// The grade (inclination) profile of a survey: the head's pitch at each ping
// against the distance travelled, averaged over 0.1 m steps of distance, and
// the head's elevation relative to where the survey starts, integrated along
// the pipe. Sags are the stretches where the pipe's invert would hold water:
// the elevation lies below the straight line between the stretch's ends.
#pragma once

#include <cstddef>
#include <map>
#include <span>
#include <vector>

#include "analysis/PipeCondition.h"
#include "analysis/ProfileSample.h"
#include "format/OrientationRecord.h"

namespace analysis {

// The grade table's columns, one row per step.
inline constexpr const char* kGradeCsvHeader = "distance_m,pitch_deg,grade_pct,elevation_m";

// One step of the profile: the step's distance (a multiple of the step), the
// mean pitch of its pings (degrees, nose up positive), the grade it gives
// (percent, rise over run) and the elevation there (metres, 0 at the first
// step with a pitch).
struct GradeRow {
    double distance = 0.0, pitch = 0.0, grade = 0.0, elevation = 0.0;
};

// Gathers pitch by distance; any length of survey keeps one small bin per
// step of distance it covered, in whatever order the pings come.
class GradeProfile {
  public:
    static constexpr double kStep = 0.1; // metres

    GradeProfile() = default;
    // A copy searches afresh rather than keep a bin of the original.
    GradeProfile(const GradeProfile& other)
        : m_bins(other.m_bins), m_steps(other.m_steps), m_topSpeed(other.m_topSpeed) {}
    GradeProfile& operator=(const GradeProfile& other) {
        m_bins = other.m_bins;
        m_steps = other.m_steps;
        m_topSpeed = other.m_topSpeed;
        m_last = m_bins.end();
        return *this;
    }

    // A ping's pitch at its distance; a NaN (or impossible) pitch or distance
    // is no measurement and is left out.
    void Add(double distance, double pitch);
    // A sample whose distance lies further from the last one taken than the
    // carrier could have gone in the time between them is a glitch of the
    // distance sensor, and left out: one such reading would add a step
    // kilometres away and an elevation integrated over all of them. The
    // live tracker's rule, so a recording's glitches count as they did live.
    void Add(const ProfileSample& s);
    // Metres per second; the settings' carrier top speed.
    void SetTopSpeed(double metresPerSecond) { m_topSpeed = metresPerSecond; }
    void Clear();
    bool HasPitch() const { return !m_bins.empty(); }

    // The steps that hold a pitch, in order of distance. Between steps
    // further apart than one step (nothing measured there) the elevation
    // follows the mean of the two steps' slopes.
    std::vector<GradeRow> Rows() const;

  private:
    struct Bin {
        double sum = 0.0;
        std::size_t count = 0;
    };
    std::map<long long, Bin> m_bins;
    // Pings come in runs at one distance: the last bin touched saves a search.
    std::map<long long, Bin>::iterator m_last = m_bins.end();
    orientation::Track m_steps;
    double m_topSpeed = orientation::kDefaultCarrierTopSpeed;
};

// A sag: from its start to its end (distances), how deep the elevation lies
// below the straight line between the ends at its deepest, and where.
struct Sag {
    double start = 0.0, end = 0.0;
    double depth = 0.0, deepestAt = 0.0;
    double Length() const { return end - start; }
};

// The sags deeper than threshold (metres), in order of distance. The line
// a sag is measured against is an edge of the profile's upper hull, so the
// whole profile lies on or below it and sags never overlap; a sag spans the
// run of steps that lie below that line (by more than a tenth of the
// threshold) with the step on the line at either end.
std::vector<Sag> FindSags(std::span<const GradeRow> rows, double threshold);

// The depth over which a sag is reported: 2 % of the nominal pipe's height.
double DefaultSagThreshold(const NominalPipe& pipe);

} // namespace analysis
