// System > Options > Range Calibration...: the head in a ring (or a straight
// clean pipe) of certified inside diameter; the operator enters it, the
// dialog fits the wall over whole revolutions of the live (or played) pings
// with the survey's own analysis and shows the mean diameter, its error, the
// spread between revolutions, pass or fail and the speed of sound that
// makes the mean exact, which the operator can accept.
#pragma once

#include <QDialog>

#include <memory>
#include <optional>
#include <span>

#include "analysis/PipeCondition.h"
#include "analysis/RangeCalibration.h"

class CTubescanDoc;
class CommandMap;
class LiveAnalysisWorker;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;

class CRangeCalibrationDlg : public QDialog {
    Q_OBJECT
  public:
    CRangeCalibrationDlg(CTubescanDoc& doc, QWidget* parent);
    // The next scan of the live analysis.
    void AddScan(std::shared_ptr<const analysis::AnalysedScan> scan);
    // One scan's points as the live analysis cut them.
    void AddSamples(std::span<const analysis::ProfileSample> samples);
    // The figures so far (revolutions 0 before the first).
    const analysis::CalibrationCheck& Check() const { return m_check; }
    bool Measuring() const { return m_fit.has_value(); }

    // Starts a new check with the entered diameter and limits; false (and
    // said) when one of them is not a number in range.
    bool Start();
    // The proposed speed becomes the setting; the check is kept for the
    // survey details of the next recording.
    void AcceptSpeed();

  private:
    void ShowCheck();

    CTubescanDoc& m_doc;
    QLineEdit* m_diameter = nullptr;
    QLineEdit* m_accuracy = nullptr;
    QLineEdit* m_spreadLimit = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_figures = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_accept = nullptr;
    std::optional<analysis::RingFit> m_fit;
    analysis::CalibrationLimits m_limits;
    analysis::CalibrationCheck m_check;
    double m_speed = 0.0; // the setting the pings of the check were measured at
};

// Adds the command, its dialog fed by the panel's scans.
void AttachRangeCalibration(LiveAnalysisWorker& live, QMainWindow& frame, CommandMap& commands,
                            CTubescanDoc& doc);
