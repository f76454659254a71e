// What an inspection report tells a client about a survey: the worst places
// and the stretches of pipe where a figure stays over its threshold, taken
// from the scan-by-scan figures.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <vector>

#include "analysis/PipeCondition.h"

namespace analysis {

// Limits over which a stretch of pipe is reported and shaded in the plots.
struct ReportThresholds {
    double ovality = 2.0;      // percent
    double areaLoss = 5.0;     // percent
    double debrisDepth = 0.02; // metres
};

// The figure a stretch or a worst place is about.
using ScanFigure = double ScanFigures::*;

struct Extreme {
    std::size_t index = 0; // into the scans; meaningful only when found
    double value = kNoValue, distance = kNoValue;
    bool Found() const { return value == value; }
};

// Consecutive scans over a threshold. A scan without the figure ends the
// stretch: nobody measured what lay there.
struct Stretch {
    std::size_t first = 0, last = 0; // indices into the scans
    double start = 0.0, end = 0.0;   // distances of the first and last scan
    double peak = kNoValue, peakDistance = kNoValue;
    double volume = 0.0; // cubic metres of debris, average end area
    double Length() const { return end > start ? end - start : start - end; }
};

// The largest value of the figure (the first scan of equal ones).
Extreme Largest(std::span<const ScanFigures> scans, ScanFigure figure);

std::vector<Stretch> StretchesOver(std::span<const ScanFigures> scans, ScanFigure figure,
                                   double threshold);

struct Findings {
    Extreme ovality, areaLoss, debrisDepth;
    std::vector<Stretch> ovalStretches, lossStretches, debrisStretches;
    double debrisVolume = 0.0; // all debris, over threshold or not
};

Findings FindFindings(std::span<const ScanFigures> scans, const ReportThresholds& thresholds);

// The same findings kept up to date scan by scan, for a survey still being
// made: each scan costs the same whatever came before, and the findings equal
// FindFindings over every scan added. Only the stretch lists could grow with
// the survey; past maxStretches of a kind the least severe closed one goes,
// so a long survey keeps its worst places in bounded memory: the newest
// stretch and the worst of the closed ones.
class FindingsTracker {
  public:
    static constexpr std::size_t kMaxStretches = 256;

    // A smaller bound reaches the forgetting in a few scans, for tests and
    // fuzzing; at least one stretch of a kind is always kept.
    explicit FindingsTracker(const ReportThresholds& thresholds = {},
                             std::size_t maxStretches = kMaxStretches)
        : m_thresholds(thresholds), m_maxStretches(std::max<std::size_t>(maxStretches, 1)) {}
    void Add(const ScanFigures& f);
    void Clear();
    const Findings& Current() const { return m_findings; }
    std::size_t Scans() const { return m_scans; }

  private:
    void Track(Extreme& e, double v, const ScanFigures& f);
    void Extend(std::vector<Stretch>& list, bool& open, double v, double threshold,
                const ScanFigures& f);

    ReportThresholds m_thresholds;
    std::size_t m_maxStretches;
    Findings m_findings;
    ConditionSurvey m_survey;
    std::size_t m_scans = 0;
    bool m_haveLast = false;
    ScanFigures m_last;
    bool m_ovalOpen = false, m_lossOpen = false, m_debrisOpen = false;
};

} // namespace analysis
