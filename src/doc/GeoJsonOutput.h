// A recording's survey as a map: FILE.geojson (RFC 7946) with the surveyed
// stretch of the pipe's axis and each finding (oval, area-loss and debris
// stretches, sags) as a line along the pipe between its nodes, in WGS 84
// longitude and latitude as PROJ transforms them from the survey's own
// coordinate system. The collection names the pipe and its nodes.
//
// Without both nodes' coordinates and a coordinate system in the survey
// details there is nothing to place, and the output says so.
#pragma once

#include <memory>
#include <string>

#include "analysis/ConditionFindings.h"
#include "analysis/Grade.h"
#include "analysis/Observations.h"
#include "analysis/PipeAxis.h"
#include "analysis/SurveySummary.h"
#include "analysis/WorldCrs.h"
#include "doc/RecordConversion.h"

class GeoJsonOutput : public conversion::PointOutput {
  public:
    GeoJsonOutput(const analysis::ReportThresholds& thresholds,
                  const analysis::ObservationThresholds& observations);
    bool Create(const std::string& path, const conversion::PassContext& pass, int* error) override;
    void Add(const analysis::ProfileSample& sample) override;
    bool Finish() override;
    std::uint64_t Points() const override { return m_points; }
    std::string Refusal() const override { return m_refusal; }
    int WriteError() const override { return m_writeError; }
    std::string Notes() const override { return m_note; }
    // Stretch the chainage so the furthest point lands on the finish node.
    void SetFitLength(bool fit) { m_fit = fit; }
    // The findings written, once finished (for the operator's line).
    std::size_t Features() const { return m_features; }

  private:
    analysis::ReportThresholds m_thresholds;
    analysis::ObservationThresholds m_observationThresholds;
    analysis::SurveySummary m_summary;
    analysis::GradeProfile m_grade;
    analysis::NominalPipe m_pipe;
    std::unique_ptr<geo::PipeAxis> m_axis;
    std::unique_ptr<geo::ToLonLat> m_toLonLat;
    std::string m_path, m_refusal, m_note;
    std::uint64_t m_points = 0;
    std::size_t m_features = 0;
    int m_writeError = 0;
    bool m_fit = false;
    double m_minChainage = analysis::kNoValue, m_maxChainage = analysis::kNoValue;
};
