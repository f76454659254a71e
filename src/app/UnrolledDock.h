// The "Unrolled" dock: the pipe opened out, bearing about its centre across
// (0 to 360 degrees clockwise from up) and scans down, each cell coloured by
// the mean deviation of its wall points on the one deviation scale. A new
// scan paints one row of the picture; the history is bounded (rows merge
// pairwise when full), so a recording of hours keeps the same memory. With an
// earlier survey of the pipe loaded, the dock can colour each cell by the
// change since then instead, on a scale of its own.
#pragma once

#include <memory>

#include <QDockWidget>
#include <QImage>

#include "analysis/LiveAnalysis.h"
#include "analysis/PipeCondition.h"
#include "analysis/SurveyAlignment.h"
#include "analysis/UnrolledChange.h"
#include "analysis/UnrolledMap.h"
#include "format/UnitsText.h"

class CMainFrame;
class QCheckBox;
class QLabel;
class CommandMap;
class DockUnits;
class LiveAnalysisWorker;

class UnrolledView : public QWidget {
    Q_OBJECT
  public:
    explicit UnrolledView(std::size_t maxRows = 2048, QWidget* parent = nullptr);

    void AddScan(const analysis::AnalysedScan& scan);
    // One scan's row as the live analysis binned it.
    void AddRow(const analysis::UnrolledRow& row);
    void Clear();
    const analysis::UnrolledMap& Map() const { return m_map; }
    // The picture, one pixel per cell (rows below Map().Rows() are unused).
    const QImage& Picture() const { return m_picture; }
    // Where the cells are drawn in the widget.
    QRectF CellArea() const;
    // The cell under a widget point; false off the map.
    bool CellAt(QPointF at, std::size_t& row, int& column) const;
    // Distances and the colour scale in these units from now on.
    void SetUnits(units::System system);
    units::System Units() const { return m_units; }
    // The colour scale's labels as drawn: inward end, zero, outward end,
    // then the unit.
    QStringList LegendTexts() const;

    // An earlier survey of the pipe by distance and how this one lies on it
    // (null: none; the change cannot be shown).
    void SetEarlier(std::shared_ptr<const analysis::UnrolledByDistance> earlier,
                    const analysis::Alignment& alignment);
    void SetAlignment(const analysis::Alignment& alignment);
    bool HasEarlier() const { return m_earlier != nullptr; }
    // Cells coloured by the change since the earlier survey (when there is
    // one) instead of the deviation.
    void ShowChange(bool on);
    bool ShowsChange() const { return m_showChange && m_earlier; }
    // What a cell is coloured by: its deviation, or its change since the
    // earlier survey (metres, positive inward; NaN: no data).
    double CellValue(std::size_t row, int column) const;
    // A distance label of the left axis.
    QString DistanceLabel(double metres) const;

  signals:
    // A click on a cell: its bearing (degrees, the cell's middle), distance
    // (metres, the mean of its row's scans) and what it is coloured by
    // (CellValue).
    void CellClicked(double bearing, double distance, double deviation);
    void DistanceClicked(double metres);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void PaintRow(std::size_t row);
    void PaintAll();

    analysis::UnrolledMap m_map;
    QImage m_picture;
    double m_lastDistance = analysis::kNoValue;
    units::System m_units = units::System::Metric;
    std::shared_ptr<const analysis::UnrolledByDistance> m_earlier;
    analysis::Alignment m_alignment;
    bool m_showChange = false;
};

class UnrolledDock : public QDockWidget {
    Q_OBJECT
  public:
    explicit UnrolledDock(QWidget* parent = nullptr);
    UnrolledView* View() const { return m_view; }
    void AddScan(std::shared_ptr<const analysis::AnalysedScan> scan);
    void TakeBatch(const std::shared_ptr<const analysis::LiveBatch>& batch);
    // An earlier survey loaded (the change can be chosen from now on) or
    // lined up again; state says how well, for the operator.
    void SetEarlier(std::shared_ptr<const analysis::UnrolledByDistance> earlier,
                    const analysis::Alignment& alignment, const QString& state);
    void SetAlignment(const analysis::Alignment& alignment, const QString& state);
    // The same alignment told again (in other units).
    void SetAlignmentText(const QString& state);
    QCheckBox* ChangeBox() const { return m_change; }
    QLabel* AlignmentState() const { return m_state; }

  signals:
    // The operator asked to go to this distance along the pipe.
    void DistanceClicked(double metres);

  private:
    UnrolledView* m_view;
    QWidget* m_compareRow;
    QCheckBox* m_change;
    QLabel* m_state;
};

// The status text of a clicked cell, in system's units; change: the value is
// the change since the earlier survey, not the deviation.
QString UnrolledCellText(double bearing, double distance, double deviation,
                         units::System system = units::System::Metric, bool change = false);

// Makes the dock, docks it at the bottom of the frame, feeds it every scan
// the live analysis counts, keeps it in the survey's units, shows a clicked
// cell in the status bar's message pane and answers the View menu's
// "Unrolled" command.
UnrolledDock* AttachUnrolledDock(LiveAnalysisWorker& live, const DockUnits& units,
                                 CMainFrame& frame, CommandMap& commands);
