// The "Pipe Condition" dock: the last complete scan's figures and a plot of
// ovality, area loss and debris depth against distance, live and in
// playback. The thread that processes pings only queues their points; the
// analysis runs here, on the user-interface thread's timer.
#pragma once

#include <memory>
#include <vector>

#include <QDockWidget>
#include <QTimer>

#include "analysis/ConditionFindings.h"
#include "analysis/PipeCondition.h"
#include "analysis/SampleQueue.h"
#include "analysis/ScanCutter.h"

class CTubescanDoc;
class QChart;
class QChartView;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QLineSeries;
class QValueAxis;
class QMainWindow;

class PipeConditionPanel : public QDockWidget {
    Q_OBJECT
  public:
    PipeConditionPanel(CTubescanDoc& doc, QWidget* parent = nullptr);

    // Analyses the points queued so far (the timer calls it).
    void Drain();
    const analysis::ScanFigures& LastScan() const { return m_last; }
    std::size_t Scans() const { return m_survey.Scans(); }
    // The distance along the pipe under a point of the plot's view; NaN
    // outside the plotted area.
    double PlotDistanceAt(QPoint viewPos) const;
    QChartView* PlotView() const { return m_plotView; }
    QListWidget* FindingsList() const { return m_findings; }

  protected:
    // A click on the plot goes to the scan at that distance.
    bool eventFilter(QObject* watched, QEvent* event) override;

  signals:
    // Each analysed scan, for the views that show the pipe as a whole; the
    // panel runs the one analysis they all share.
    void ScanAnalysed(std::shared_ptr<const analysis::AnalysedScan> scan);

  private:
    void Show(const analysis::ScanFigures& f);
    void Plot(const analysis::ScanFigures& f);
    void ListFindings();
    void GoToFinding(QListWidgetItem* item);
    void PlaybackJumped();

    CTubescanDoc& m_doc;
    std::shared_ptr<analysis::SampleQueue> m_queue;
    std::vector<analysis::ProfileSample> m_batch;
    analysis::ScanCutter m_cutter;
    analysis::ScanAnalyser m_analyser;
    analysis::ConditionSurvey m_survey;
    analysis::ScanFigures m_last;
    QTimer m_timer;
    std::vector<QLabel*> m_values;
    QLineSeries* m_ovality = nullptr;
    QLineSeries* m_areaLoss = nullptr;
    QLineSeries* m_debris = nullptr;
    QValueAxis* m_axisX = nullptr;
    QValueAxis* m_axisY = nullptr;
    double m_lastDistance = 0.0;
    QChart* m_chart = nullptr;
    QChartView* m_plotView = nullptr;
    QListWidget* m_findings = nullptr;
    std::vector<analysis::ScanFigures> m_figures; // every scan, for the findings
    // After a jump back, scans up to here were analysed already: they are
    // shown but not counted again.
    double m_furthest = -1e300, m_replayUntil = -1e300;
};

class CommandMap;

// Makes the panel, docks it on the right of the frame and answers the View
// menu's "Pipe Condition" command (shown, with a check mark, or hidden).
// Call before the acquisition thread starts: it installs the document's
// profile point hook.
PipeConditionPanel* AttachPipeConditionPanel(CTubescanDoc& doc, QMainWindow& frame,
                                             CommandMap& commands);
