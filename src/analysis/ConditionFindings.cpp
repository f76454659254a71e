#include "analysis/ConditionFindings.h"

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

} // namespace analysis
