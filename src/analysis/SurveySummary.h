// A recording in one line: when and where it ran and its worst figures, for
// the summary of a batch. It analyses the scans itself, as the condition
// table does, and can keep what the coded observations need of each scan.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "analysis/Observations.h"
#include "analysis/PipeCondition.h"
#include "analysis/ScanCutter.h"
#include "format/SurveyDetails.h"

namespace analysis {

inline constexpr const char* kSummaryCsvHeader =
    "file,start_time,end_time,first_distance_m,last_distance_m,scans,worst_ovality_pct,"
    "worst_ovality_at_m,worst_area_loss_pct,worst_area_loss_at_m,max_debris_depth_m,"
    "max_debris_at_m,debris_volume_m3,pipe_reference,start_node,finish_node,direction";

class SurveySummary {
  public:
    explicit SurveySummary(const NominalPipe& pipe = {}, bool keepScans = false,
                           double deadband = ObservationThresholds{}.deadband);
    void SetPipe(const NominalPipe& pipe) { m_analyser.SetPipe(pipe); }
    // The scans' figures come from an output that analyses the same scans
    // anyway (the condition table, the LAS file), through AddScan, instead
    // of being worked out a second time; Add then only notes the times and
    // distances.
    void TakeScansFromOutput() { m_ownScans = false; }
    void Add(const ProfileSample& sample);
    void AddScan(const ScanFigures& f);
    // Handed the figures of every scan this summary analyses itself.
    void OnScan(std::function<void(const ScanFigures&)> onScan) { m_onScan = std::move(onScan); }
    // Analyses the scan in hand (the end of the recording).
    void Finish();

    const ConditionSurvey& Survey() const { return m_survey; }
    // Every scan, when asked to keep them.
    const std::vector<ObservedScan>& Scans() const { return m_scans; }
    // The CSV line for this recording, "\n" included, with the survey's
    // pipe and nodes; every text field is escaped as fieldtext::kCsv says.
    std::string Line(const std::string& file, const survey::SurveyDetails& details = {}) const;
    // Where the recording starts and ends (kNoValue before a valid point).
    double FirstTime() const { return m_firstTime; }
    double FirstDistance() const { return m_firstDistance; }
    double LastDistance() const { return m_lastDistance; }

  private:
    void Complete(std::span<const ProfileSample> scan);

    std::function<void(const ScanFigures&)> m_onScan;
    ScanCutter m_cutter;
    ScanAnalyser m_analyser;
    ConditionSurvey m_survey;
    bool m_keep;
    bool m_ownScans = true;
    double m_deadband;
    std::vector<ObservedScan> m_scans;
    double m_firstTime = kNoValue, m_lastTime = kNoValue;
    double m_firstDistance = kNoValue, m_lastDistance = kNoValue;
    double m_maxDebris = kNoValue, m_maxDebrisAt = kNoValue;
};

} // namespace analysis
