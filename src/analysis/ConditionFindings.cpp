#include "analysis/ConditionFindings.h"

#include <algorithm>
#include <cmath>

namespace analysis {

namespace {

bool Usable(double v) {
    return std::isfinite(v);
}

} // namespace

Extreme Largest(std::span<const ScanFigures> scans, ScanFigure figure) {
    Extreme e;
    for (std::size_t i = 0; i < scans.size(); ++i) {
        const double v = scans[i].*figure;
        if (!Usable(v) || (e.Found() && !(v > e.value))) continue;
        e.index = i;
        e.value = v;
        e.distance = scans[i].distance;
    }
    return e;
}

std::vector<Stretch> StretchesOver(std::span<const ScanFigures> scans, ScanFigure figure,
                                   double threshold) {
    std::vector<Stretch> out;
    bool open = false;
    for (std::size_t i = 0; i < scans.size(); ++i) {
        const ScanFigures& f = scans[i];
        const double v = f.*figure;
        if (!(Usable(v) && v > threshold)) {
            open = false;
            continue;
        }
        if (!open) {
            out.push_back({});
            out.back().first = i;
            out.back().start = f.distance;
            open = true;
        } else {
            // The debris between this scan and the one before, by the
            // average of their end areas.
            const ScanFigures& p = scans[i - 1];
            if (Usable(f.debrisArea) && Usable(p.debrisArea) && Usable(f.distance) &&
                Usable(p.distance))
                out.back().volume +=
                    (f.debrisArea + p.debrisArea) / 2.0 * std::fabs(f.distance - p.distance);
        }
        Stretch& s = out.back();
        s.last = i;
        s.end = f.distance;
        if (!(v <= s.peak)) {
            s.peak = v;
            s.peakDistance = f.distance;
        }
    }
    return out;
}

Findings FindFindings(std::span<const ScanFigures> scans, const ReportThresholds& thresholds) {
    Findings f;
    f.ovality = Largest(scans, &ScanFigures::ovality);
    f.areaLoss = Largest(scans, &ScanFigures::areaLoss);
    f.debrisDepth = Largest(scans, &ScanFigures::debrisDepth);
    f.ovalStretches = StretchesOver(scans, &ScanFigures::ovality, thresholds.ovality);
    f.lossStretches = StretchesOver(scans, &ScanFigures::areaLoss, thresholds.areaLoss);
    f.debrisStretches = StretchesOver(scans, &ScanFigures::debrisDepth, thresholds.debrisDepth);
    ConditionSurvey survey;
    for (const ScanFigures& s : scans)
        survey.Add(s);
    f.debrisVolume = survey.DebrisVolume();
    return f;
}

void FindingsTracker::Clear() {
    *this = FindingsTracker(m_thresholds, m_maxStretches);
}

void FindingsTracker::Track(Extreme& e, double v, const ScanFigures& f) {
    // As Largest: the first of equal values stays.
    if (!Usable(v) || (e.Found() && !(v > e.value))) return;
    e.index = m_scans;
    e.value = v;
    e.distance = f.distance;
}

void FindingsTracker::Extend(std::vector<Stretch>& list, bool& open, double v, double threshold,
                             const ScanFigures& f) {
    if (!(Usable(v) && v > threshold)) {
        open = false;
        return;
    }
    if (!open) {
        if (list.size() >= m_maxStretches) {
            // The closed stretch with the lowest peak makes room: the list
            // is there to show the worst of the pipe.
            const auto least =
                std::min_element(list.begin(), list.end(), [](const Stretch& a, const Stretch& b) {
                    return a.peak < b.peak;
                });
            list.erase(least);
        }
        list.push_back({});
        list.back().first = m_scans;
        list.back().start = f.distance;
        open = true;
    } else if (m_haveLast) {
        const ScanFigures& p = m_last;
        if (Usable(f.debrisArea) && Usable(p.debrisArea) && Usable(f.distance) &&
            Usable(p.distance))
            list.back().volume +=
                (f.debrisArea + p.debrisArea) / 2.0 * std::fabs(f.distance - p.distance);
    }
    Stretch& s = list.back();
    s.last = m_scans;
    s.end = f.distance;
    if (!(v <= s.peak)) {
        s.peak = v;
        s.peakDistance = f.distance;
    }
}

void FindingsTracker::Add(const ScanFigures& f) {
    Track(m_findings.ovality, f.ovality, f);
    Track(m_findings.areaLoss, f.areaLoss, f);
    Track(m_findings.debrisDepth, f.debrisDepth, f);
    Extend(m_findings.ovalStretches, m_ovalOpen, f.ovality, m_thresholds.ovality, f);
    Extend(m_findings.lossStretches, m_lossOpen, f.areaLoss, m_thresholds.areaLoss, f);
    Extend(m_findings.debrisStretches, m_debrisOpen, f.debrisDepth, m_thresholds.debrisDepth, f);
    m_survey.Add(f);
    m_findings.debrisVolume = m_survey.DebrisVolume();
    m_last = f;
    m_haveLast = true;
    ++m_scans;
}

} // namespace analysis
