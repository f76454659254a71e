#include "doc/ReportCollector.h"

#include <algorithm>
#include <cmath>

#include "doc/ConditionOutput.h"
#include "format/DataFileIo.h"

ReportCollector::ReportCollector(std::string recordingName) {
    m_facts.name = std::move(recordingName);
}

bool ReportCollector::Create(const std::string& path, const conversion::PassContext& pass,
                             int* error) {
    // The report is drawn at the end, but a folder that cannot take it should
    // be known before the whole recording has been read.
    if (!ProbeWritable(path, error)) return false;
    m_path = path;
    m_pass = &pass;
    m_facts.pipe = pass.pipe;
    m_facts.soundVelocity = pass.settings->m_soundVelocity;
    m_grade.SetTopSpeed(pass.settings->m_carrierTopSpeed);
    m_facts.units = UnitsOf(Details(), pass);
    m_analyser.SetPipe(m_facts.pipe);
    return true;
}

void ReportCollector::Add(const analysis::ProfileSample& sample) {
    SurveyFacts& s = m_facts;
    if (m_pass) {
        // Playback sets the recorded range and gain before each ping.
        const double range = m_pass->settings->m_range;
        const int gain = m_pass->settings->m_gain;
        if (s.points == 0) {
            s.minRange = s.maxRange = range;
            s.minGain = s.maxGain = gain;
        }
        s.minRange = std::min(s.minRange, range);
        s.maxRange = std::max(s.maxRange, range);
        s.minGain = std::min(s.minGain, gain);
        s.maxGain = std::max(s.maxGain, gain);
    }
    ++s.points;
    if (std::isfinite(sample.pitch)) {
        const bool sensor = m_pass && m_pass->pitchFromSensor && m_pass->pitchFromSensor();
        ++(sensor ? s.pitchFromSensor : s.pitchFromHead);
    }
    if (std::isfinite(sample.time)) {
        if (!std::isfinite(s.firstTime)) s.firstTime = sample.time;
        s.lastTime = sample.time;
    }
    if (std::isfinite(sample.distance)) {
        if (!std::isfinite(s.firstDistance)) s.firstDistance = sample.distance;
        s.lastDistance = sample.distance;
    }
    m_grade.Add(sample);
    if (m_cutter.Add(sample)) Complete(m_cutter.Completed());
}

void ReportCollector::Complete(std::span<const analysis::ProfileSample> scan) {
    const analysis::ScanFigures f = m_analyser.Analyse(scan);
    m_scans.push_back(f);
    if (m_onScan) m_onScan(f);
    m_unrolled.Add(f, m_analyser.Points(), scan);
    m_pipe3d.Add(f.distance, m_analyser.Points());
    const std::size_t index = m_scans.size() - 1;
    Keep(m_byOvality, &analysis::ScanFigures::ovality, index, f, scan);
    Keep(m_byAreaLoss, &analysis::ScanFigures::areaLoss, index, f, scan);
}

void ReportCollector::Keep(std::vector<WorstScan>& kept, analysis::ScanFigure figure,
                           std::size_t index, const analysis::ScanFigures& f,
                           std::span<const analysis::ProfileSample> scan) {
    const double v = f.*figure;
    if (!std::isfinite(v)) return;
    // Kept largest first; an equal value does not push out an earlier scan.
    auto at = std::find_if(kept.begin(), kept.end(),
                           [&](const WorstScan& w) { return v > w.figures.*figure; });
    if (at == kept.end() && kept.size() >= kWorstKept) return;
    WorstScan w;
    w.index = index;
    w.figures = f;
    w.samples.assign(scan.begin(), scan.end());
    kept.insert(at, std::move(w));
    if (kept.size() > kWorstKept) kept.pop_back();
}

std::vector<WorstScan> ReportCollector::WorstScans() const {
    std::vector<WorstScan> all = m_byOvality;
    for (const WorstScan& w : m_byAreaLoss)
        if (std::none_of(all.begin(), all.end(),
                         [&](const WorstScan& a) { return a.index == w.index; }))
            all.push_back(w);
    std::sort(all.begin(), all.end(),
              [](const WorstScan& a, const WorstScan& b) { return a.index < b.index; });
    return all;
}

bool ReportCollector::Finish() {
    if (m_cutter.Flush()) Complete(m_cutter.Completed());
    if (m_path.empty()) return false;
    m_pass = nullptr; // the pass's context ends with it
    if (m_partsLeft > 1) {
        --m_partsLeft;
        return true;
    }
    return Render();
}
