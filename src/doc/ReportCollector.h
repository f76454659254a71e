// What an inspection report is made from, gathered in one pass over a
// recording: the figures of every scan, the worst scans' own profile points,
// the time and distance the survey spans and the head settings it ran with.
// Drawing the report is left to a subclass (it needs Qt); the gathering is
// plain so it can be tested and reused without it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/ConditionFindings.h"
#include "analysis/Grade.h"
#include "analysis/PipeCondition.h"
#include "analysis/PipeHistory.h"
#include "analysis/ScanCutter.h"
#include "analysis/UnrolledMap.h"
#include "doc/RecordConversion.h"

struct WorstScan {
    std::size_t index = 0; // into the survey's scans (the scan number less one)
    analysis::ScanFigures figures;
    std::vector<analysis::ProfileSample> samples;
};

struct SurveyFacts {
    std::string name; // the recording's file name
    double firstTime = analysis::kNoValue, lastTime = analysis::kNoValue; // seconds
    double firstDistance = analysis::kNoValue, lastDistance = analysis::kNoValue;
    double minRange = 0.0, maxRange = 0.0; // metres, as the head was set
    int minGain = 0, maxGain = 0;
    double soundVelocity = 1500.0;
    analysis::NominalPipe pipe;
    std::uint64_t points = 0;
    // Points whose tilt correction took the sensor's pitch, the head's own.
    std::uint64_t pitchFromSensor = 0, pitchFromHead = 0;
};

class ReportCollector : public conversion::PointOutput {
  public:
    // How many scans of each kind (largest ovality, largest area loss) are
    // kept for drawing.
    static constexpr std::size_t kWorstKept = 3;
    // Rows of the unrolled map: a long survey's scans merge into them.
    static constexpr std::size_t kUnrolledRows = 1024;

    explicit ReportCollector(std::string recordingName);
    // Several recordings of one pipe as one survey: the next parts - 1
    // passes gather into this one and draw nothing; the pass after them
    // draws the whole. Scans do not run across the files' ends.
    void GatherParts(std::size_t parts) { m_partsLeft = parts; }
    bool Create(const std::string& path, const conversion::PassContext& pass, int* error) override;
    void Add(const analysis::ProfileSample& sample) override;
    bool Finish() override;
    std::uint64_t Points() const override { return m_facts.points; }
    bool OnScan(ScanHook onScan) override {
        m_onScan = std::move(onScan);
        return true;
    }

    const SurveyFacts& Facts() const { return m_facts; }
    const std::vector<analysis::ScanFigures>& Scans() const { return m_scans; }
    // The kept worst scans, each once, in the order they were surveyed.
    std::vector<WorstScan> WorstScans() const;
    // Every scan's wall deviation by bearing, and the pitch by distance.
    const analysis::UnrolledMap& Unrolled() const { return m_unrolled; }
    const analysis::GradeProfile& Grade() const { return m_grade; }
    // Every scan's points as rings along the pipe, thinned to a bounded size.
    const analysis::PipeHistory& Pipe3D() const { return m_pipe3d; }
    const std::string& Path() const { return m_path; }
    // Why the report could not be drawn, once Finish has failed at it.
    virtual std::string RenderError() const { return {}; }

  protected:
    // Writes the report to Path() once everything is gathered.
    virtual bool Render() { return true; }

  private:
    void Complete(std::span<const analysis::ProfileSample> scan);
    static void Keep(std::vector<WorstScan>& kept, analysis::ScanFigure figure, std::size_t index,
                     const analysis::ScanFigures& f, std::span<const analysis::ProfileSample> scan);

    const conversion::PassContext* m_pass = nullptr;
    ScanHook m_onScan;
    std::string m_path;
    std::size_t m_partsLeft = 1;
    SurveyFacts m_facts;
    analysis::ScanCutter m_cutter;
    analysis::ScanAnalyser m_analyser;
    std::vector<analysis::ScanFigures> m_scans;
    std::vector<WorstScan> m_byOvality, m_byAreaLoss;
    analysis::UnrolledMap m_unrolled{kUnrolledRows};
    analysis::GradeProfile m_grade;
    analysis::PipeHistory m_pipe3d;
};
