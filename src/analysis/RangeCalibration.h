// The range scale checked in a ring (or a straight clean pipe) of certified
// inside diameter: the wall fitted over whole revolutions with the survey's
// own scan analysis, the mean diameter against the certified one, the spread
// between revolutions, and the speed of sound that would make the mean exact
// (every range scales with the speed, so the diameter does too).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "analysis/PipeCondition.h"
#include "analysis/ScanCutter.h"

namespace analysis {

struct CalibrationLimits {
    double accuracyPct = 0.5; // largest |mean - certified| / certified, %
    double spreadPct = 0.12;  // largest standard deviation between revolutions, %
    int minRevolutions = 10;  // fewer whole revolutions prove nothing
};

struct CalibrationCheck {
    double certified = 0.0;       // metres
    int revolutions = 0;          // whole revolutions measured
    double measured = kNoValue;   // mean diameter over them, metres
    double errorPct = kNoValue;   // (measured - certified) / certified, %
    double spreadPct = kNoValue;  // standard deviation of the revolutions' diameters, % of the mean
    double speedBefore = 0.0;     // m/s the ranges were turned into metres with
    double speedAfter = kNoValue; // m/s that makes the mean exact
    bool enough = false;          // at least the limits' revolutions
    bool pass = false;
};

// The check from each whole revolution's mean diameter (metres), the ring's
// certified diameter, the speed the diameters were measured at and the
// limits. Values in, values out.
CalibrationCheck CheckCalibration(std::span<const double> revolutionDiameters, double certified,
                                  double speed, const CalibrationLimits& limits = {});

// "calibration: certified 0.6000 m, measured 0.6219 m (+3.65 %), spread
// 0.04 %, revolutions 12, speed 1500.0 m/s -> 1447.2 m/s, fail" (one line,
// no newline).
std::string CalibrationLine(const CalibrationCheck& check);

// Gathers the ring's revolutions from a stream of profile points: cut into
// scans and analysed against a circle of the certified diameter as any
// survey scan is; only scans that go all the way round count.
class RingFit {
  public:
    explicit RingFit(double certifiedDiameter);
    void Add(const ProfileSample& sample);
    // The scan in hand at the end of the points.
    void Finish();
    // A scan someone else has cut (the live analysis's), taken whole.
    void AddScan(std::span<const ProfileSample> scan) { Take(scan); }
    void Reset();
    std::span<const double> Diameters() const { return m_diameters; }
    int Revolutions() const { return static_cast<int>(m_diameters.size()); }

  private:
    void Take(std::span<const ProfileSample> scan);

    ScanCutter m_cutter;
    ScanAnalyser m_analyser;
    std::vector<double> m_diameters;
};

} // namespace analysis
