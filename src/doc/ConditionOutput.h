// The pipe-condition table of a recording: profile points in, one CSV line
// per scan out, written as the scans complete so a survey of any length
// needs the same memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "analysis/PipeCondition.h"
#include "analysis/ScanCutter.h"
#include "analysis/UnrolledMap.h"
#include "doc/RecordConversion.h"
#include "format/BufferedFile.h"
#include "format/UnitsText.h"

class CTubescanDoc;

// The nominal pipe the operator has set ("PipeShape", "CircleDiameter",
// "HorseShoe Width", "HorseShoe Height").
analysis::NominalPipe NominalPipeOf(const CTubescanDoc& doc);

// Whether a survey's figures are given in feet and inches: its details say
// so, or, where they name no units, the Units setting (Feet or Inches).
units::System UnitsOf(const survey::SurveyDetails& details, const conversion::PassContext& pass);

class ConditionCsvOutput : public conversion::PointOutput {
  public:
    ConditionCsvOutput() = default;
    ~ConditionCsvOutput() override;
    ConditionCsvOutput(const ConditionCsvOutput&) = delete;
    ConditionCsvOutput& operator=(const ConditionCsvOutput&) = delete;

    bool Create(const std::string& path, const conversion::PassContext& pass, int* error) override;
    void Add(const analysis::ProfileSample& sample) override;
    bool Finish() override;
    std::uint64_t Points() const override { return m_points; }
    int WriteError() const override { return m_file.Error(); }

    const analysis::ConditionSurvey& Survey() const { return m_survey; }
    bool OnScan(ScanHook onScan) override {
        m_onScan = std::move(onScan);
        return true;
    }
    // Each scan's wall binned by bearing, for an unrolled map of the recording.
    void OnRow(std::function<void(const analysis::UnrolledRow&)> onRow) {
        m_onRow = std::move(onRow);
    }

  private:
    void Write(std::span<const analysis::ProfileSample> scan);

    BufferedFile m_file;
    std::uint64_t m_points = 0;
    analysis::ScanCutter m_cutter;
    analysis::ScanAnalyser m_analyser;
    analysis::ConditionSurvey m_survey;
    std::string m_line;
    ScanHook m_onScan;
    std::function<void(const analysis::UnrolledRow&)> m_onRow;
};
