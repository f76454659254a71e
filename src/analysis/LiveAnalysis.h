// The pipe-condition analysis of a survey as it is being made, live or in
// playback: profile points in, in order, and for each completed scan the
// values every view of the pipe needs out. It keeps the findings up to date
// scan by scan and holds nothing that grows with the survey, so hours of
// points cost what minutes do. Plain C++: the thread it runs on belongs to
// whoever owns it.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "analysis/ConditionFindings.h"
#include "analysis/PipeCondition.h"
#include "analysis/PipeHistory.h"
#include "analysis/ScanCutter.h"
#include "analysis/UnrolledMap.h"

namespace analysis {

// One scan counted in the survey, as the views take it: its figures, where
// the head was at its last point, its points thinned to a ring for the 3D
// view and binned by bearing for the unrolled map.
struct LiveScan {
    double marker = kNoValue; // metres along the pipe at the scan's last point
    std::vector<PipePoint> ring;
    UnrolledRow row; // row.figures are the scan's figures
    // The scan's own points, for a check that fits them again (the ring
    // calibration); the batch is short-lived, the views keep none of them.
    std::vector<ProfileSample> samples;
    const ScanFigures& Figures() const { return row.figures; }
};

// What the analysis made of the points since the last batch was taken.
struct LiveBatch {
    std::vector<LiveScan> scans; // counted in the survey, in order
    // The last scan analysed, counted or not (a replay after a jump back
    // shows its scans without counting them again).
    bool hasLast = false;
    ScanFigures last;
    std::size_t surveyScans = 0; // counted so far
    double debrisVolume = 0.0;   // cubic metres so far
    // The findings after this batch; null when unchanged since the last one.
    std::shared_ptr<const Findings> findings;
    bool Empty() const { return scans.empty() && !hasLast; }
};

class LiveAnalysis {
  public:
    // Scans a batch holds at most; beyond it every second scan is dropped
    // from it, so a reader that falls behind costs bounded memory (the
    // findings and totals still count every scan).
    static constexpr std::size_t kMaxBatchScans = 1024;

    explicit LiveAnalysis(const ReportThresholds& thresholds = {});

    void SetPipe(const NominalPipe& pipe) { m_analyser.SetPipe(pipe); }
    void Add(const ProfileSample& sample);
    void Add(std::span<const ProfileSample> samples) {
        for (const ProfileSample& s : samples)
            Add(s);
    }
    // Playback jumped: the scan in hand is dropped, and scans up to the
    // furthest distance analysed so far are shown but not counted again.
    void Restart();
    // Everything made since the last call.
    LiveBatch Take();

    std::size_t Scans() const { return m_findings.Scans(); }
    const Findings& CurrentFindings() const { return m_findings.Current(); }

  private:
    void Thin();

    ScanCutter m_cutter;
    ScanAnalyser m_analyser;
    FindingsTracker m_findings;
    LiveBatch m_batch;
    bool m_findingsChanged = false;
    double m_furthest = -1e300, m_replayUntil = -1e300;
};

} // namespace analysis
