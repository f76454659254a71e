// Cuts the stream of profile points into scans: one per revolution when the
// head turns all the way round, one per pass when it sweeps a sector and
// turns at its edges. It needs no knowledge of the sector setting: a scan
// ends when the head has turned a full circle since its first point or when
// it starts turning the other way.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "analysis/ProfileSample.h"

namespace analysis {

// The rule that cuts a sweep into scans, by bearing alone, for whoever needs
// to know where scans begin (the cutter below, the index of a recording).
class ScanTurns {
  public:
    // Takes the next bearing (finite). True when it begins a new scan; the
    // very first bearing begins the first scan and gives false.
    bool Add(double bearing);
    void Reset();

  private:
    std::size_t m_points = 0; // in the scan in hand
    double m_turned = 0.0;    // degrees turned since the scan's first point
    int m_direction = 0;      // +1 clockwise, -1 anticlockwise, 0 not yet known
    double m_lastBearing = 0.0;
};

class ScanCutter {
  public:
    // A head held still (or a file of one bearing) would grow one scan
    // without end; at this many points the scan is cut anyway.
    static constexpr std::size_t kMaxPoints = 8192;

    // Adds a point. Returns true when the point closed the scan before it:
    // that scan is then in Completed() until the next call.
    bool Add(const ProfileSample& sample);
    // Ends the scan in hand (end of a file); true when there was one.
    bool Flush();
    // Drops the scan in hand (a new file, a jump in playback).
    void Reset();

    std::span<const ProfileSample> Completed() const { return m_done; }

  private:
    void Close();

    std::vector<ProfileSample> m_current, m_done;
    ScanTurns m_turns;
};

} // namespace analysis
