#include "analysis/RangeCalibration.h"

#include <cmath>
#include <cstdio>

namespace analysis {

CalibrationCheck CheckCalibration(std::span<const double> diameters, double certified, double speed,
                                  const CalibrationLimits& limits) {
    CalibrationCheck c;
    c.certified = certified;
    c.speedBefore = speed;
    double sum = 0.0;
    int n = 0;
    for (const double d : diameters) {
        if (!(d > 0.0) || !std::isfinite(d)) continue;
        sum += d;
        ++n;
    }
    c.revolutions = n;
    if (n == 0 || !(certified > 0.0)) return c;
    c.measured = sum / n;
    double squares = 0.0;
    for (const double d : diameters)
        if (d > 0.0 && std::isfinite(d)) squares += (d - c.measured) * (d - c.measured);
    const double sd = n > 1 ? std::sqrt(squares / (n - 1)) : 0.0;
    c.errorPct = 100.0 * (c.measured - certified) / certified;
    c.spreadPct = 100.0 * sd / c.measured;
    c.speedAfter = speed * certified / c.measured;
    c.enough = n >= limits.minRevolutions;
    c.pass =
        c.enough && std::fabs(c.errorPct) <= limits.accuracyPct && c.spreadPct <= limits.spreadPct;
    return c;
}

std::string CalibrationLine(const CalibrationCheck& c) {
    char text[256];
    if (c.revolutions == 0 || !std::isfinite(c.measured)) {
        std::snprintf(text, sizeof text,
                      "calibration: certified %.4f m, measured n/a, spread n/a, revolutions 0, "
                      "speed %.1f m/s -> n/a, fail",
                      c.certified, c.speedBefore);
        return text;
    }
    // A figure that rounds to zero is shown without a sign of its own.
    const double error = std::fabs(c.errorPct) < 0.005 ? 0.0 : c.errorPct;
    std::snprintf(text, sizeof text,
                  "calibration: certified %.4f m, measured %.4f m (%+.2f %%), spread %.2f %%, "
                  "revolutions %d, speed %.1f m/s -> %.1f m/s, %s",
                  c.certified, c.measured, error, c.spreadPct, c.revolutions, c.speedBefore,
                  c.speedAfter, c.pass ? "pass" : "fail");
    return text;
}

namespace {

NominalPipe Ring(double diameter) {
    NominalPipe pipe;
    pipe.shape = NominalShape::Circle;
    pipe.diameter = diameter > 0.0 ? diameter : 1.0;
    return pipe;
}

} // namespace

RingFit::RingFit(double certifiedDiameter) : m_analyser(Ring(certifiedDiameter)) {}

void RingFit::Add(const ProfileSample& sample) {
    if (m_cutter.Add(sample)) Take(m_cutter.Completed());
}

void RingFit::Finish() {
    if (m_cutter.Flush()) Take(m_cutter.Completed());
}

void RingFit::Reset() {
    m_cutter.Reset();
    m_diameters.clear();
}

void RingFit::Take(std::span<const ProfileSample> scan) {
    const ScanFigures f = m_analyser.Analyse(scan);
    // A pass across a sector, or the part of a turn at either end of the
    // points, says nothing about the whole ring.
    if (f.coverage >= AnalysisOptions{}.fullCoverage && std::isfinite(f.meanDiameter))
        m_diameters.push_back(f.meanDiameter);
}

} // namespace analysis
