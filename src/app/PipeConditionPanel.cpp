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
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include "app/DockUnits.h"
#include "app/GoToCommands.h"
#include "app/MenuLayout.h"
#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"
#include "link/LiveAnalysisWorker.h"

namespace {

constexpr int kPlotPoints = 3000; // per series; older scans scroll off
const char* const kRows[] = {"Scan",          "Distance",  "Points / coverage",
                             "Centre (x, y)", "Diameter",  "Ovality (ASTM F1216)",
                             "Open area",     "Area loss", "Debris depth / area",
                             "Debris volume"};

QString Number(double v, int decimals, const char* unit) {
    return DockNumber(v, decimals, unit);
}

QString DebrisSeriesName(units::System system) {
    return QStringLiteral("Debris depth ") + DockUnit(units::Kind::Deviation, system);
}

} // namespace

PipeConditionPanel::PipeConditionPanel(CTubescanDoc& doc, QWidget* parent)
    : QDockWidget(QStringLiteral("Pipe Condition"), parent), m_doc(doc) {
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
    m_debris->setName(DebrisSeriesName(m_units));
    // One bad scan must not flatten the rest of the survey: values beyond
    // the axis are drawn at its edge and marked here.
    m_offScale = new QScatterSeries(chart);
    m_offScale->setName(QStringLiteral("Off scale"));
    m_offScale->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
    m_offScale->setMarkerSize(9.0);
    m_offScale->setColor(Qt::red);
    m_axisX = new QValueAxis(chart);
    m_axisX->setTitleText(
        QStringLiteral("Distance (%1)").arg(DockUnit(units::Kind::Distance, m_units)));
    m_axisY = new QValueAxis(chart);
    m_axisY->setRange(0.0, 10.0);
    chart->addAxis(m_axisX, Qt::AlignBottom);
    chart->addAxis(m_axisY, Qt::AlignLeft);
    for (QXYSeries* s :
         std::initializer_list<QXYSeries*>{m_ovality, m_areaLoss, m_debris, m_offScale}) {
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
}

void PipeConditionPanel::TakeBatch(const std::shared_ptr<const analysis::LiveBatch>& batch) {
    if (!batch) return;
    m_scans = batch->surveyScans;
    m_debrisVolume = batch->debrisVolume;
    if (!batch->scans.empty()) Plot(batch->scans);
    if (batch->hasLast) {
        m_last = batch->last;
        Show(m_last);
    }
    if (batch->findings) {
        m_findingsShown = batch->findings;
        ListFindings(*batch->findings);
    }
}

void PipeConditionPanel::SetUnits(units::System system) {
    if (system == m_units) return;
    m_units = system;
    m_debris->setName(DebrisSeriesName(m_units));
    m_axisX->setTitleText(
        QStringLiteral("Distance (%1)").arg(DockUnit(units::Kind::Distance, m_units)));
    for (QXYSeries* s :
         std::initializer_list<QXYSeries*>{m_ovality, m_areaLoss, m_debris, m_offScale})
        s->clear();
    const std::vector<Plotted> all(m_plotted.begin(), m_plotted.end());
    Draw(all);
    if (m_scans > 0) Show(m_last);
    if (m_findingsShown) ListFindings(*m_findingsShown);
    if (m_earlier[0]) DrawEarlier();
}

QString PipeConditionPanel::Length(double metres, int decimals) const {
    return DockText(metres, units::Kind::Distance, m_units, decimals);
}

QString PipeConditionPanel::Size(double metres, int decimals) const {
    return DockText(metres, units::Kind::Size, m_units, decimals);
}

QStringList PipeConditionPanel::FigureTexts() const {
    QStringList texts;
    for (const QLabel* label : m_values)
        texts << label->text();
    return texts;
}

double PipeConditionPanel::PlotDistanceAt(QPoint viewPos) const {
    const QPointF inChart = m_chart->mapFromScene(m_plotView->mapToScene(viewPos));
    if (!m_chart->plotArea().contains(inChart)) return std::nan("");
    return units::ToMetric(m_chart->mapToValue(inChart, m_ovality).x(), units::Kind::Distance,
                           m_units);
}

bool PipeConditionPanel::eventFilter(QObject* watched, QEvent* event) {
    if (m_plotView && watched == m_plotView->viewport() &&
        event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const double distance = PlotDistanceAt(mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton && std::isfinite(distance)) {
            GoToDistanceFrom(this, m_doc, distance, m_units);
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

void PipeConditionPanel::ListFindings(const analysis::Findings& f) {
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
                         Length(e.distance, 2)),
                e.distance);
    };
    if (f.debrisDepth.Found())
        add(QStringLiteral("Worst debris: %1 at %2")
                .arg(Size(f.debrisDepth.value, 2), Length(f.debrisDepth.distance, 2)),
            f.debrisDepth.distance);
    worst("ovality", f.ovality, 1.0, " %");
    worst("area loss", f.areaLoss, 1.0, " %");
    auto stretches = [&](const char* what, const std::vector<analysis::Stretch>& list,
                         const char* unit) {
        for (const analysis::Stretch& st : list)
            add(QStringLiteral("%1 %2 to %3, peak %4 at %5")
                    .arg(QString::fromLatin1(what), Length(st.start, 2), Length(st.end, 2),
                         unit ? Number(st.peak, 2, unit) : Size(st.peak, 2),
                         Length(st.peakDistance, 2)),
                std::isfinite(st.peakDistance) ? st.peakDistance : st.start);
    };
    stretches("Debris", f.debrisStretches, nullptr);
    stretches("Ovality", f.ovalStretches, " %");
    stretches("Area loss", f.lossStretches, " %");
}

void PipeConditionPanel::GoToFinding(QListWidgetItem* item) {
    if (!item) return;
    const double distance = item->data(Qt::UserRole).toDouble();
    GoToDistanceFrom(this, m_doc, distance, m_units);
}

void PipeConditionPanel::Show(const analysis::ScanFigures& f) {
    if (m_scans == 0) return;
    const QString texts[] = {
        QString::number(m_scans),
        Length(f.distance),
        QStringLiteral("%1 / %2").arg(f.points).arg(Number(f.coverage, 1, "\u00b0")),
        QStringLiteral("%1, %2").arg(Size(f.centreX), Size(f.centreY)),
        QStringLiteral("mean %1, min %2 at %3, max %4")
            .arg(Size(f.meanDiameter), Size(f.minDiameter),
                 Number(f.minDiameterBearing, 0, "\u00b0"), Size(f.maxDiameter)),
        Number(f.ovality, 2, " %"),
        QStringLiteral("%1 of %2")
            .arg(DockText(f.openArea, units::Kind::Area, m_units),
                 DockText(f.nominalArea, units::Kind::Area, m_units)),
        Number(f.areaLoss, 2, " %"),
        QStringLiteral("%1 / %2").arg(Size(f.debrisDepth),
                                      DockText(f.debrisArea, units::Kind::Area, m_units)),
        DockText(m_debrisVolume, units::Kind::Volume, m_units),
    };
    for (std::size_t i = 0; i < m_values.size(); ++i)
        m_values[i]->setText(texts[i]);
}

void PipeConditionPanel::Plot(std::span<const analysis::LiveScan> scans) {
    std::vector<Plotted> fresh;
    fresh.reserve(scans.size());
    for (const analysis::LiveScan& scan : scans) {
        const analysis::ScanFigures& f = scan.Figures();
        if (!f.HasCentre() || !std::isfinite(f.distance)) continue;
        // Back along the pipe by more than a metre: a new file or a replay.
        if (f.distance < m_lastDistance - 1.0) {
            fresh.clear();
            m_plotted.clear();
            for (QXYSeries* s :
                 std::initializer_list<QXYSeries*>{m_ovality, m_areaLoss, m_debris, m_offScale})
                s->clear();
        }
        m_lastDistance = f.distance;
        fresh.push_back({f.distance, f.ovality, f.areaLoss, f.debrisDepth});
    }
    for (const Plotted& p : fresh) {
        m_plotted.push_back(p);
        if (m_plotted.size() > static_cast<std::size_t>(kPlotPoints)) m_plotted.pop_front();
    }
    Draw(fresh);
}

void PipeConditionPanel::Draw(std::span<const Plotted> scans) {
    QList<QPointF> ovality, areaLoss, debris, offScale;
    auto add = [&](QList<QPointF>& points, double distance, double v) {
        if (!std::isfinite(v)) return;
        // Beyond the plausible range: at the edge, and marked.
        const double shown = std::clamp(v, kPlotFloor, kPlotCeiling);
        if (shown != v) offScale.append(QPointF(distance, shown));
        points.append(QPointF(distance, shown));
    };
    for (const Plotted& p : scans) {
        const double x = units::Convert(p.distance, units::Kind::Distance, m_units).value;
        add(ovality, x, p.ovality);
        add(areaLoss, x, p.areaLoss);
        add(debris, x, units::Convert(p.debrisDepth, units::Kind::Deviation, m_units).value);
    }
    const std::pair<QXYSeries*, QList<QPointF>*> all[] = {{m_ovality, &ovality},
                                                          {m_areaLoss, &areaLoss},
                                                          {m_debris, &debris},
                                                          {m_offScale, &offScale}};
    for (auto [series, points] : all) {
        if (points->isEmpty()) continue;
        const qsizetype over = series->count() + points->size() - kPlotPoints;
        if (over > 0)
            series->removePoints(0, static_cast<int>(std::min<qsizetype>(over, series->count())));
        if (points->size() > kPlotPoints) points->remove(0, points->size() - kPlotPoints);
        series->append(*points);
    }
    FitAxes();
}

void PipeConditionPanel::FitAxes() {
    double lo = 1e300, hi = -1e300, top = 10.0, bottom = 0.0;
    for (QLineSeries* s :
         {m_ovality, m_areaLoss, m_debris, m_earlier[0], m_earlier[1], m_earlier[2]}) {
        if (!s || s->count() == 0) continue;
        // The earlier survey's may run the other way.
        const double first = s->at(0).x(), last = s->at(s->count() - 1).x();
        lo = std::min({lo, first, last});
        hi = std::max({hi, first, last});
        for (const QPointF& p : s->points()) {
            top = std::max(top, p.y());
            bottom = std::min(bottom, p.y());
        }
    }
    if (lo <= hi) m_axisX->setRange(lo, std::max(hi, lo + 1.0));
    // The margin above the highest value stays within the plausible range,
    // so a mark at the edge is still drawn inside the plot.
    m_axisY->setRange(std::floor(bottom) - (bottom <= kPlotFloor ? 2.0 : 0.0),
                      std::min(std::ceil(top * 1.1), kPlotCeiling + 5.0));
}

void PipeConditionPanel::ShowEarlier(std::span<const analysis::ScanFigures> scans) {
    // Kept in metres, thinned to as many points as the current profile
    // keeps, so a change of units can draw it again.
    m_earlierPlotted.clear();
    for (const analysis::ScanFigures& f : scans)
        if (std::isfinite(f.distance))
            m_earlierPlotted.push_back({f.distance, f.ovality, f.areaLoss, f.debrisDepth});
    if (m_earlierPlotted.size() > static_cast<std::size_t>(kPlotPoints)) {
        std::vector<Plotted> thinned;
        thinned.reserve(kPlotPoints);
        for (std::size_t k = 0; k < static_cast<std::size_t>(kPlotPoints); ++k)
            thinned.push_back(m_earlierPlotted[k * m_earlierPlotted.size() / kPlotPoints]);
        m_earlierPlotted = std::move(thinned);
    }
    DrawEarlier();
}

void PipeConditionPanel::DrawEarlier() {
    QLineSeries* const now[3] = {m_ovality, m_areaLoss, m_debris};
    const QString names[3] = {QStringLiteral("Earlier ovality %"),
                              QStringLiteral("Earlier area loss %"),
                              QStringLiteral("Earlier ") + DebrisSeriesName(m_units).toLower()};
    for (int i = 0; i < 3; ++i) {
        if (!m_earlier[i]) {
            m_earlier[i] = new QLineSeries(m_chart);
            m_chart->addSeries(m_earlier[i]);
            m_earlier[i]->attachAxis(m_axisX);
            m_earlier[i]->attachAxis(m_axisY);
            // The current figure's colour, dashed.
            QPen pen = now[i]->pen();
            pen.setStyle(Qt::DashLine);
            m_earlier[i]->setPen(pen);
        }
        m_earlier[i]->setName(names[i]);
        QList<QPointF> points;
        for (const Plotted& p : m_earlierPlotted) {
            const double v =
                i == 0   ? p.ovality
                : i == 1 ? p.areaLoss
                         : units::Convert(p.debrisDepth, units::Kind::Deviation, m_units).value;
            if (!std::isfinite(v)) continue;
            const double x = units::Convert(p.distance, units::Kind::Distance, m_units).value;
            points.append(QPointF(x, std::clamp(v, kPlotFloor, kPlotCeiling)));
        }
        m_earlier[i]->replace(points);
    }
    FitAxes();
}

PipeConditionPanel* AttachPipeConditionPanel(CTubescanDoc& doc, LiveAnalysisWorker& live,
                                             const DockUnits& units, QMainWindow& frame,
                                             CommandMap& commands) {
    auto* panel = new PipeConditionPanel(doc, &frame);
    frame.addDockWidget(Qt::RightDockWidgetArea, panel);
    QObject::connect(&live, &LiveAnalysisWorker::batchReady, panel, &PipeConditionPanel::TakeBatch);
    panel->SetUnits(units.System());
    QObject::connect(&units, &DockUnits::changed, panel,
                     [panel, &units] { panel->SetUnits(units.System()); });
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
