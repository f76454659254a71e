#include "analysis/LiveAnalysis.h"

#include <algorithm>
#include <cmath>

namespace analysis {

LiveAnalysis::LiveAnalysis(const ReportThresholds& thresholds) : m_findings(thresholds) {}

void LiveAnalysis::Add(const ProfileSample& sample) {
    if (!m_cutter.Add(sample)) return;
    const std::span<const ProfileSample> samples = m_cutter.Completed();
    const ScanFigures f = m_analyser.Analyse(samples);
    m_batch.hasLast = true;
    m_batch.last = f;
    if (std::isfinite(f.distance) && f.distance <= m_replayUntil) return;
    if (std::isfinite(f.distance)) m_furthest = std::max(m_furthest, f.distance);
    m_findings.Add(f);
    m_findingsChanged = true;
    LiveScan scan;
    scan.marker = samples.empty() ? kNoValue : samples.back().distance;
    const std::span<const AnalysedPoint> points = m_analyser.Points();
    scan.ring = PipeHistory::RingOf(points);
    scan.row = UnrolledRowOf(f, points, samples);
    scan.samples.assign(samples.begin(), samples.end());
    m_batch.scans.push_back(std::move(scan));
    if (m_batch.scans.size() >= kMaxBatchScans) Thin();
}

void LiveAnalysis::Thin() {
    // The reader has fallen behind: every second scan goes from the batch.
    // The findings and totals have counted them already, and the views keep
    // a thinned history anyway, so what is lost is a point of the plot.
    std::size_t out = 0;
    for (std::size_t i = 0; i < m_batch.scans.size(); i += 2)
        m_batch.scans[out++] = std::move(m_batch.scans[i]);
    m_batch.scans.resize(out);
}

void LiveAnalysis::Restart() {
    m_cutter.Reset();
    m_replayUntil = m_furthest;
}

LiveBatch LiveAnalysis::Take() {
    LiveBatch out = std::move(m_batch);
    m_batch = LiveBatch{};
    out.surveyScans = m_findings.Scans();
    out.debrisVolume = m_findings.Current().debrisVolume;
    if (m_findingsChanged) out.findings = std::make_shared<const Findings>(m_findings.Current());
    m_findingsChanged = false;
    return out;
}

} // namespace analysis
