// The inspection report a client is handed: a PDF drawn with Qt's PDF writer
// and Qt Charts, vector throughout, in the program's document font. It needs
// a QApplication (the charts are graphics widgets); the converter makes one
// on the offscreen platform.
#pragma once

#include <string>

#include "analysis/ConditionFindings.h"
#include "doc/ReportCollector.h"

struct ReportSettings {
    analysis::ReportThresholds thresholds;
    std::string version; // printed in every page's footer
    // How the range scale was set: the speed of sound used and where it came
    // from ("1447.3 m/s from 10.0 °C water"), empty: the settings' speed,
    // set by hand; the ring check's result, empty when there was none; and
    // anything the operator must know about the scale (a speed that does not
    // match the water the crew measured).
    std::string speedOrigin;
    std::string calibration;
    std::string scaleNote;
};

// Draws the report of a gathered survey into a PDF at path; false, with the
// reason in *error, when it cannot be written.
bool WriteSurveyReport(const ReportCollector& survey, const ReportSettings& settings,
                       const std::string& path, std::string* error);

// The report as a conversion output: gathers the pass, then draws.
class SurveyReportOutput : public ReportCollector {
  public:
    SurveyReportOutput(std::string recordingName, ReportSettings settings)
        : ReportCollector(std::move(recordingName)), m_settings(std::move(settings)) {}
    std::string RenderError() const override { return m_error; }

  protected:
    bool Render() override { return WriteSurveyReport(*this, m_settings, Path(), &m_error); }

  private:
    ReportSettings m_settings;
    std::string m_error;
};
