#include "app/PipeConditionPanel.h"

#include <algorithm>
#include <cmath>

#include <QChart>
#include <QChartView>
#include <QFormLayout>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QMainWindow>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPointer>
#include <QVBoxLayout>
#include <QValueAxis>

#include "app/GoToCommands.h"
#include "app/MenuLayout.h"
#include "doc/CommandMap.h"
#include "doc/ConditionOutput.h"
#include "doc/TubescanDoc.h"

namespace {

constexpr int kPlotPoints = 3000; // per series; older scans scroll off
const char* const kRows[] = {"Scan",          "Distance",  "Points / coverage",
                             "Centre (x, y)", "Diameter",  "Ovality (ASTM F1216)",
                             "Open area",     "Area loss", "Debris depth / area",
                             "Debris volume"};

QString Number(double v, int decimals, const char* unit) {
    if (!std::isfinite(v)) return QStringLiteral("n/a");
    return QString::number(v, 'f', decimals) + QString::fromUtf8(unit);
}

} // namespace

namespace {

// Points queue for the panel's timer; a jump in playback reaches the panel
// on the user-interface thread, where jumps are made.
class PanelSink : public ProfileSampleSink {
  public:
    PanelSink(std::shared_ptr<analysis::SampleQueue> queue, std::function<void()> restart)
        : m_queue(std::move(queue)), m_restart(std::move(restart)) {}
    void Add(const analysis::ProfileSample& s) override { m_queue->Push(s); }
    void Restart() override { m_restart(); }

  private:
    std::shared_ptr<analysis::SampleQueue> m_queue;
    std::function<void()> m_restart;
};

} // namespace

PipeConditionPanel::PipeConditionPanel(CTubescanDoc& doc, QWidget* parent)
    : QDockWidget(QStringLiteral("Pipe Condition"), parent), m_doc(doc),
      m_queue(std::make_shared<analysis::SampleQueue>()) {
    setObjectName(QStringLiteral("PipeConditionPanel"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    auto* form = new QFormLayout;
    for (const char* row : kRows) {
        auto* value = new QLabel(QStringLiteral("n/a"), body);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(QString::fromLatin1(row) + QLatin1Char(':'), value);
        m_values.push_back(value);
    }
    layout->addLayout(form);

    auto* chart = m_chart = new QChart;
    chart->setTitle(QStringLiteral("Along the pipe"));
    chart->setMargins(QMargins(2, 2, 2, 2));
    m_ovality = new QLineSeries(chart);
    m_ovality->setName(QStringLiteral("Ovality %"));
    m_areaLoss = new QLineSeries(chart);
    m_areaLoss->setName(QStringLiteral("Area loss %"));
    m_debris = new QLineSeries(chart);
    m_debris->setName(QStringLiteral("Debris depth cm"));
    m_axisX = new QValueAxis(chart);
    m_axisX->setTitleText(QStringLiteral("Distance (m)"));
    m_axisY = new QValueAxis(chart);
    m_axisY->setRange(0.0, 10.0);
    chart->addAxis(m_axisX, Qt::AlignBottom);
    chart->addAxis(m_axisY, Qt::AlignLeft);
    for (QLineSeries* s : {m_ovality, m_areaLoss, m_debris}) {
        chart->addSeries(s);
        s->attachAxis(m_axisX);
        s->attachAxis(m_axisY);
    }
    auto* view = new QChartView(chart, body);
    view->setObjectName(QStringLiteral("PipeConditionPlot"));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(320, 260);
    layout->addWidget(view, 1);
    m_plotView = view;
    view->viewport()->installEventFilter(this);
    view->setToolTip(QStringLiteral("Click to go to the scan at that distance"));

    // The stretches over the report's thresholds and the worst places; a
    // click goes there.
    m_findings = new QListWidget(body);
    m_findings->setObjectName(QStringLiteral("PipeConditionFindings"));
    m_findings->setMaximumHeight(120);
    layout->addWidget(m_findings);
    connect(m_findings, &QListWidget::itemActivated, this, &PipeConditionPanel::GoToFinding);
    connect(m_findings, &QListWidget::itemClicked, this, &PipeConditionPanel::GoToFinding);
    setWidget(body);

    // The acquisition thread only queues; the queue outlives the panel as
    // long as the document's outputs hold the sink.
    QPointer<PipeConditionPanel> guard(this);
    doc.m_outputs.SetSampleSink(std::make_shared<PanelSink>(m_queue, [guard] {
        if (guard) guard->PlaybackJumped();
    }));
    connect(&m_timer, &QTimer::timeout, this, &PipeConditionPanel::Drain);
    m_timer.start(200);
}

void PipeConditionPanel::Drain() {
    m_queue->TakeAll(m_batch);
    if (m_batch.empty()) return;
    m_analyser.SetPipe(NominalPipeOf(m_doc));
    bool added = false;
    for (const analysis::ProfileSample& s : m_batch) {
        if (!m_cutter.Add(s)) continue;
        m_last = m_analyser.Analyse(m_cutter.Completed());
        if (std::isfinite(m_last.distance) && m_last.distance <= m_replayUntil) continue;
        if (std::isfinite(m_last.distance)) m_furthest = std::max(m_furthest, m_last.distance);
        m_survey.Add(m_last);
        m_figures.push_back(m_last);
        added = true;
        Plot(m_last);
        if (isSignalConnected(QMetaMethod::fromSignal(&PipeConditionPanel::ScanAnalysed))) {
            const auto samples = m_cutter.Completed();
            const auto points = m_analyser.Points();
            emit ScanAnalysed(std::make_shared<const analysis::AnalysedScan>(analysis::AnalysedScan{
                m_last, {samples.begin(), samples.end()}, {points.begin(), points.end()}}));
        }
    }
    Show(m_last);
    if (added) ListFindings();
}

void PipeConditionPanel::PlaybackJumped() {
    Drain();
    m_cutter.Reset();
    m_replayUntil = m_furthest;
}

double PipeConditionPanel::PlotDistanceAt(QPoint viewPos) const {
    const QPointF inChart = m_chart->mapFromScene(m_plotView->mapToScene(viewPos));
    if (!m_chart->plotArea().contains(inChart)) return std::nan("");
    return m_chart->mapToValue(inChart, m_ovality).x();
}

bool PipeConditionPanel::eventFilter(QObject* watched, QEvent* event) {
    if (m_plotView && watched == m_plotView->viewport() &&
        event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const double distance = PlotDistanceAt(mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton && std::isfinite(distance)) {
            GoToDistanceFrom(this, m_doc, distance);
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

void PipeConditionPanel::ListFindings() {
    const analysis::Findings f = analysis::FindFindings(m_figures, analysis::ReportThresholds{});
    m_findings->clear();
    auto add = [this](const QString& text, double distance) {
        if (!std::isfinite(distance)) return;
        auto* item = new QListWidgetItem(text, m_findings);
        item->setData(Qt::UserRole, distance);
    };
    auto worst = [&](const char* what, const analysis::Extreme& e, double scale, const char* unit) {
        if (e.Found())
            add(QStringLiteral("Worst %1: %2 at %3")
                    .arg(QString::fromLatin1(what), Number(e.value * scale, 2, unit),
                         Number(e.distance, 2, " m")),
                e.distance);
    };
    worst("debris", f.debrisDepth, 1.0, " m");
    worst("ovality", f.ovality, 1.0, " %");
    worst("area loss", f.areaLoss, 1.0, " %");
    auto stretches = [&](const char* what, const std::vector<analysis::Stretch>& list,
                         const char* unit) {
        for (const analysis::Stretch& st : list)
            add(QStringLiteral("%1 %2 to %3, peak %4 at %5")
                    .arg(QString::fromLatin1(what), Number(st.start, 2, " m"),
                         Number(st.end, 2, " m"), Number(st.peak, 2, unit),
                         Number(st.peakDistance, 2, " m")),
                std::isfinite(st.peakDistance) ? st.peakDistance : st.start);
    };
    stretches("Debris", f.debrisStretches, " m");
    stretches("Ovality", f.ovalStretches, " %");
    stretches("Area loss", f.lossStretches, " %");
}

void PipeConditionPanel::GoToFinding(QListWidgetItem* item) {
    if (!item) return;
    const double distance = item->data(Qt::UserRole).toDouble();
    GoToDistanceFrom(this, m_doc, distance);
}

void PipeConditionPanel::Show(const analysis::ScanFigures& f) {
    if (m_survey.Scans() == 0) return;
    const QString texts[] = {
        QString::number(m_survey.Scans()),
        Number(f.distance, 3, " m"),
        QStringLiteral("%1 / %2").arg(f.points).arg(Number(f.coverage, 1, "\u00b0")),
        QStringLiteral("%1, %2").arg(Number(f.centreX, 3, " m"), Number(f.centreY, 3, " m")),
        QStringLiteral("mean %1, min %2 at %3, max %4")
            .arg(Number(f.meanDiameter, 3, " m"), Number(f.minDiameter, 3, " m"),
                 Number(f.minDiameterBearing, 0, "\u00b0"), Number(f.maxDiameter, 3, " m")),
        Number(f.ovality, 2, " %"),
        QStringLiteral("%1 of %2")
            .arg(Number(f.openArea, 4, " m\u00b2"), Number(f.nominalArea, 4, " m\u00b2")),
        Number(f.areaLoss, 2, " %"),
        QStringLiteral("%1 / %2").arg(Number(f.debrisDepth, 3, " m"),
                                      Number(f.debrisArea, 4, " m\u00b2")),
        Number(m_survey.DebrisVolume(), 4, " m\u00b3"),
    };
    for (std::size_t i = 0; i < m_values.size(); ++i)
        m_values[i]->setText(texts[i]);
}

void PipeConditionPanel::Plot(const analysis::ScanFigures& f) {
    if (!f.HasCentre() || !std::isfinite(f.distance)) return;
    // Back along the pipe by more than a metre: a new file or a replay.
    if (f.distance < m_lastDistance - 1.0)
        for (QLineSeries* s : {m_ovality, m_areaLoss, m_debris})
            s->clear();
    m_lastDistance = f.distance;
    auto add = [&](QLineSeries* s, double v) {
        if (!std::isfinite(v)) return;
        if (s->count() >= kPlotPoints) s->removePoints(0, s->count() - kPlotPoints + 1);
        s->append(f.distance, v);
    };
    add(m_ovality, f.ovality);
    add(m_areaLoss, f.areaLoss);
    add(m_debris, f.debrisDepth * 100.0);
    double lo = 1e300, hi = -1e300, top = 10.0, bottom = 0.0;
    for (QLineSeries* s : {m_ovality, m_areaLoss, m_debris}) {
        if (s->count() == 0) continue;
        lo = std::min(lo, s->at(0).x());
        hi = std::max(hi, s->at(s->count() - 1).x());
        for (const QPointF& p : s->points()) {
            top = std::max(top, p.y());
            bottom = std::min(bottom, p.y());
        }
    }
    if (lo <= hi) m_axisX->setRange(lo, std::max(hi, lo + 1.0));
    m_axisY->setRange(std::floor(bottom), std::ceil(top * 1.1));
}

PipeConditionPanel* AttachPipeConditionPanel(CTubescanDoc& doc, QMainWindow& frame,
                                             CommandMap& commands) {
    auto* panel = new PipeConditionPanel(doc, &frame);
    frame.addDockWidget(Qt::RightDockWidgetArea, panel);
    QPointer<PipeConditionPanel> guard(panel);
    commands.Add(cmd::kPipeCondition,
                 CommandEntry{[guard](int) {
                                  if (guard) guard->setVisible(!guard->isVisible());
                              },
                              [guard](int) {
                                  return CommandUi{true, guard && guard->isVisible()};
                              }});
    return panel;
}
