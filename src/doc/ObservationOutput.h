// Coded observations of a recording as a conversion output: the EN 13508-2
// style text goes where the pass puts its output (FILE.en13508.txt), the
// conditions table (FILE.pacp.csv) and the inspection table
// (FILE.pacp-inspection.csv) beside it, each written through a temporary
// file of its own and renamed into place only when the text is.
#pragma once

#include <string>

#include "analysis/SurveySummary.h"
#include "doc/RecordConversion.h"
#include "format/UnitsText.h"

class ObservationOutput : public conversion::PointOutput {
  public:
    ObservationOutput(std::string recordingName, std::string tablePath,
                      const analysis::ObservationThresholds& thresholds);
    ~ObservationOutput() override;
    ObservationOutput(const ObservationOutput&) = delete;
    ObservationOutput& operator=(const ObservationOutput&) = delete;

    // FILE.pacp.csv -> FILE.pacp-inspection.csv.
    static std::string InspectionPathFor(const std::string& tablePath);

    bool Create(const std::string& path, const conversion::PassContext& pass, int* error) override;
    void Add(const analysis::ProfileSample& sample) override;
    bool Finish() override;
    bool Commit(std::string* why) override;
    std::string Notes() const override;
    std::uint64_t Points() const override { return m_points; }
    int WriteError() const override { return m_writeError; }
    bool OnScan(ScanHook onScan) override {
        m_summary.OnScan(std::move(onScan));
        return true;
    }

    const std::vector<analysis::Observation>& Observations() const { return m_found; }

  private:
    std::string m_name, m_tablePath, m_textPath, m_tableTemporary;
    std::string m_inspectionPath, m_inspectionTemporary;
    analysis::ObservationThresholds m_thresholds;
    analysis::SurveySummary m_summary;
    std::vector<analysis::Observation> m_found;
    std::uint64_t m_points = 0;
    units::System m_units = units::System::Metric;
    bool m_lossy = false;
    int m_writeError = 0;
};
