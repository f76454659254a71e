// A chart against the distance along the pipe, drawn straight onto a report
// page: the inspection report's plots and the comparison's.
#pragma once

#include <QAreaSeries>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <utility>
#include <vector>

#include "report/ReportPages.h"

namespace reportpage {

// A chart against the distance along the pipe, drawn straight onto the page.
// The scene owns the chart and the chart its axes and series.
class DistanceChart {
  public:
    // The axes round the ranges outwards to tick values; XMin() .. YMax()
    // give the rounded ranges, which the shading has to span.
    DistanceChart(const QSizeF& size, const QString& title, double xMin, double xMax, double yMin,
                  double yMax, int yDecimals)
        : m_chart(new QChart), m_x(new QValueAxis), m_y(new QValueAxis) {
        m_scene.addItem(m_chart);
        m_chart->setGeometry(QRectF(QPointF(0, 0), size));
        m_chart->setBackgroundVisible(false);
        m_chart->legend()->hide();
        m_chart->setTitle(title);
        m_chart->setTitleFont(DocFont(10, true));
        m_chart->setMargins(QMargins(2, 2, 2, 2));
        m_x->setRange(xMin, xMax);
        m_x->applyNiceNumbers();
        m_x->setTitleText(QStringLiteral("distance along the pipe (") +
                          UnitOf(units::Kind::Distance) + QStringLiteral(")"));
        m_x->setTitleFont(DocFont(8));
        m_x->setLabelsFont(DocFont(8));
        m_x->setLabelFormat(QStringLiteral("%.1f"));
        m_y->setRange(yMin, yMax);
        m_y->applyNiceNumbers();
        m_y->setLabelsFont(DocFont(8));
        m_y->setLabelFormat(QStringLiteral("%.") + QString::number(yDecimals) +
                            QStringLiteral("f"));
        m_chart->addAxis(m_x, Qt::AlignBottom);
        m_chart->addAxis(m_y, Qt::AlignLeft);
    }

    double XMin() const { return m_x->min(); }
    double XMax() const { return m_x->max(); }
    double YMin() const { return m_y->min(); }
    double YMax() const { return m_y->max(); }

    // Bands from the floor of the chart to its top over each [start, end].
    void Shade(const std::vector<std::pair<double, double>>& spans, const QColor& colour) {
        const double lo = YMin(), hi = YMax();
        auto* upper = new QLineSeries;
        auto* lower = new QLineSeries;
        upper->append(XMin(), lo);
        lower->append(XMin(), lo);
        for (const auto& [start, end] : spans) {
            const double a = std::min(start, end), b = std::max(start, end);
            for (const auto& [x, y] : {std::pair{a, lo}, {a, hi}, {b, hi}, {b, lo}}) {
                upper->append(x, y);
                lower->append(x, lo);
            }
        }
        upper->append(XMax(), lo);
        lower->append(XMax(), lo);
        auto* shade = new QAreaSeries(upper, lower);
        shade->setBrush(colour);
        shade->setPen(Qt::NoPen);
        Add(shade);
    }

    void Add(QAbstractSeries* series) {
        m_chart->addSeries(series);
        series->attachAxis(m_x);
        series->attachAxis(m_y);
    }

    void Render(QPainter& painter, const QRectF& target) {
        // The chart lays its axes and titles out when its layout request is
        // handled; a chart that is never shown has to be asked.
        m_chart->layout()->activate();
        QCoreApplication::sendPostedEvents();
        m_scene.setSceneRect(m_chart->geometry());
        m_scene.render(&painter, target, m_scene.sceneRect());
    }

  private:
    QGraphicsScene m_scene;
    QChart* m_chart;
    QValueAxis* m_x;
    QValueAxis* m_y;
};

} // namespace reportpage
