// The "Pipe Condition" dock: the last complete scan's figures, a plot of
// ovality, area loss and debris depth against distance and the findings, live
// and in playback. It only shows what the live analysis (a worker) hands it.
#pragma once

#include <deque>
#include <memory>
#include <span>
#include <vector>

#include <QDockWidget>

#include "analysis/ConditionFindings.h"
#include "analysis/LiveAnalysis.h"
#include "analysis/PipeCondition.h"
#include "format/UnitsText.h"

class CTubescanDoc;
class QChart;
class QChartView;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
class QMainWindow;
class LiveAnalysisWorker;
class DockUnits;

// The plot's vertical axis takes only values a pipe can have, whatever one
// bad scan says: percentages from kPlotFloor to kPlotCeiling (and debris
// depths in centimetres up to the same). Values beyond are drawn at the edge
// and marked.
inline constexpr double kPlotFloor = -50.0;
inline constexpr double kPlotCeiling = 100.0;

class PipeConditionPanel : public QDockWidget {
    Q_OBJECT
  public:
    PipeConditionPanel(CTubescanDoc& doc, QWidget* parent = nullptr);

    // Shows what the live analysis made since its last batch.
    void TakeBatch(const std::shared_ptr<const analysis::LiveBatch>& batch);
    // Shows every figure, the plot and the findings in these units from now
    // on (what is shown already is redrawn).
    void SetUnits(units::System system);
    units::System Units() const { return m_units; }
    const analysis::ScanFigures& LastScan() const { return m_last; }
    std::size_t Scans() const { return m_scans; }
    // The distance along the pipe under a point of the plot's view, in
    // metres whatever the units shown; NaN outside the plotted area.
    double PlotDistanceAt(QPoint viewPos) const;
    QChartView* PlotView() const { return m_plotView; }
    QListWidget* FindingsList() const { return m_findings; }
    // The marks of values beyond the plot's axis.
    QScatterSeries* OffScale() const { return m_offScale; }
    QValueAxis* AxisY() const { return m_axisY; }
    QValueAxis* AxisX() const { return m_axisX; }
    // The figure texts of the last scan, in the order of the rows.
    QStringList FigureTexts() const;
    // An earlier survey of the pipe, its distances already put on this
    // one's, drawn dashed beside the current figures; empty: none.
    void ShowEarlier(std::span<const analysis::ScanFigures> scans);
    // The dashed series: ovality, area loss, debris depth (null before any).
    QLineSeries* Earlier(std::size_t figure) const { return m_earlier[figure]; }

  protected:
    // A click on the plot goes to the scan at that distance.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // What the plot keeps of a scan, in metres, so a change of units can
    // draw it again.
    struct Plotted {
        double distance, ovality, areaLoss, debrisDepth;
    };

    void Show(const analysis::ScanFigures& f);
    void Plot(std::span<const analysis::LiveScan> scans);
    void Draw(std::span<const Plotted> scans);
    QString Length(double metres, int decimals = -1) const;
    QString Size(double metres, int decimals = -1) const;
    // Both axes over every series drawn, the earlier survey's too.
    void FitAxes();
    void DrawEarlier();
    void ListFindings(const analysis::Findings& f);
    void GoToFinding(QListWidgetItem* item);

    CTubescanDoc& m_doc;
    std::size_t m_scans = 0;
    units::System m_units = units::System::Metric;
    analysis::ScanFigures m_last;  // the last scan shown, for a redraw in other units
    std::deque<Plotted> m_plotted; // the scans the plot shows, oldest first
    std::shared_ptr<const analysis::Findings> m_findingsShown;
    double m_debrisVolume = 0.0;
    std::vector<QLabel*> m_values;
    QLineSeries* m_ovality = nullptr;
    QLineSeries* m_areaLoss = nullptr;
    QLineSeries* m_debris = nullptr;
    QScatterSeries* m_offScale = nullptr;
    QLineSeries* m_earlier[3] = {};
    std::vector<Plotted> m_earlierPlotted;
    QValueAxis* m_axisX = nullptr;
    QValueAxis* m_axisY = nullptr;
    double m_lastDistance = 0.0;
    QChart* m_chart = nullptr;
    QChartView* m_plotView = nullptr;
    QListWidget* m_findings = nullptr;
};

class CommandMap;

// Makes the panel, docks it on the right of the frame, feeds it from the live
// analysis, keeps it in the survey's units and answers the View menu's "Pipe
// Condition" command (shown, with a check mark, or hidden).
PipeConditionPanel* AttachPipeConditionPanel(CTubescanDoc& doc, LiveAnalysisWorker& live,
                                             const DockUnits& units, QMainWindow& frame,
                                             CommandMap& commands);
