// The report's cross-section drawings of the worst scans.
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/DeviationColours.h"
#include "report/ReportPages.h"

namespace reportpage {

namespace {

// A length for the scale bar near a quarter of the drawing: 1, 2 or 5 times
// a power of ten.
double ScaleBarLength(double span) {
    const double want = span / 4.0;
    const double decade = std::pow(10.0, std::floor(std::log10(want)));
    for (const double m : {5.0, 2.0, 1.0})
        if (m * decade <= want) return m * decade;
    return decade;
}

} // namespace

void DrawSection(Pages& pg, const ReportCollector& survey, const WorstScan& w,
                 const analysis::Findings& found, double top, double height) {
    QPainter& p = pg.P();
    const ScanFigures& f = w.figures;
    const analysis::NominalOutline outline(survey.Facts().pipe);
    const double cx = f.HasCentre() ? f.centreX : 0.0, cy = f.HasCentre() ? f.centreY : 0.0;

    QString why;
    if (found.ovality.Found() && found.ovality.index == w.index)
        why = QStringLiteral(" - largest ovality");
    else if (found.areaLoss.Found() && found.areaLoss.index == w.index)
        why = QStringLiteral(" - largest area loss");
    pg.Y() = top;
    pg.Text(QStringLiteral("Scan %1 at %2").arg(w.index + 1).arg(Metres(f.distance)) + why,
            DocFont(12, true));

    // The drawing: the head's frame, X right and Y up, centred on the fitted
    // pipe centre.
    const double side = std::min(height - 24.0, pg.Area().width() * 0.58);
    const QRectF box(0, pg.Y() + 4, side, side);
    double extent = 0.0;
    for (int k = 0; k < 72; ++k) {
        const double a = k * std::numbers::pi / 36.0;
        extent = std::max(extent, outline.Radius(std::cos(a), std::sin(a)));
    }
    // The points as the figures saw them: square to the pipe.
    std::vector<QPointF> xy;
    for (const auto& s : w.samples) {
        double x = 0.0, y = 0.0;
        analysis::TiltCorrected(s, x, y);
        xy.emplace_back(x, y);
        extent = std::max({extent, std::fabs(x - cx), std::fabs(y - cy)});
    }
    extent = std::max(extent, std::max(std::fabs(cx), std::fabs(cy))) * 1.08;
    if (!(extent > 0.0)) extent = 1.0;
    const double k = side / (2.0 * extent);
    const auto map = [&](double x, double y) {
        return QPointF(box.center().x() + (x - cx) * k, box.center().y() - (y - cy) * k);
    };

    p.setPen(QPen(QColor(160, 160, 160), 0.4));
    p.drawRect(box);
    p.save();
    p.setClipRect(box);
    // Nominal shape on the fitted centre.
    QPainterPath nominal;
    for (int i = 0; i <= 360; ++i) {
        const double a = i * std::numbers::pi / 180.0;
        const double c = std::cos(a), s = std::sin(a), r = outline.Radius(c, s);
        const QPointF q = map(cx + r * c, cy + r * s);
        i == 0 ? nominal.moveTo(q) : nominal.lineTo(q);
    }
    p.setPen(QPen(QColor(200, 40, 30), 1.0, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawPath(nominal);
    // The measured profile as the head swept it.
    p.setPen(QPen(QColor(20, 60, 160), 0.6));
    QPainterPath profile;
    for (std::size_t i = 0; i < xy.size(); ++i) {
        const QPointF q = map(xy[i].x(), xy[i].y());
        i == 0 ? profile.moveTo(q) : profile.lineTo(q);
    }
    p.drawPath(profile);
    p.setBrush(QColor(20, 60, 160));
    p.setPen(Qt::NoPen);
    for (const QPointF& q : xy)
        p.drawEllipse(map(q.x(), q.y()), 0.9, 0.9);
    // Head and fitted centre.
    p.setPen(QPen(Qt::black, 0.6));
    const QPointF head = map(0, 0), centre = map(cx, cy);
    p.drawLine(head - QPointF(4, 0), head + QPointF(4, 0));
    p.drawLine(head - QPointF(0, 4), head + QPointF(0, 4));
    p.setFont(DocFont(7));
    p.drawText(head + QPointF(5, -3), QStringLiteral("head"));
    p.setPen(QPen(QColor(200, 40, 30), 0.6));
    p.drawLine(centre - QPointF(3, 3), centre + QPointF(3, 3));
    p.drawLine(centre - QPointF(3, -3), centre + QPointF(3, -3));
    p.restore();

    // Scale bar under the drawing.
    // A round length in the report's unit: metres, or inches across a pipe.
    const double perUnit = g_units == units::System::Imperial ? units::kMetresPerInch : 1.0;
    const double bar = ScaleBarLength(2.0 * extent / perUnit) * perUnit;
    const double by = box.bottom() + 10;
    p.setPen(QPen(Qt::black, 1.2));
    p.drawLine(QPointF(box.left(), by), QPointF(box.left() + bar * k, by));
    p.drawLine(QPointF(box.left(), by - 3), QPointF(box.left(), by + 3));
    p.drawLine(QPointF(box.left() + bar * k, by - 3), QPointF(box.left() + bar * k, by + 3));
    p.setFont(DocFont(8));
    p.drawText(QPointF(box.left() + bar * k + 6, by + 3),
               g_units == units::System::Imperial
                   ? Num(bar / perUnit, 0) + QStringLiteral(" in")
                   : QString::fromStdString(FormatFixed(bar, bar < 0.1 ? 3 : 2)) +
                         QStringLiteral(" m"));

    // The scan's figures beside the drawing.
    const double x0 = side + 16;
    double y = box.top();
    const QFont font = DocFont(9);
    const QFontMetricsF fm(font);
    auto fig = [&](const QString& l, const QString& v) {
        p.setFont(DocFont(9, true));
        p.drawText(QPointF(x0, y + fm.ascent()), l);
        p.setFont(font);
        p.drawText(QPointF(x0 + 100, y + fm.ascent()), v);
        y += fm.lineSpacing() + 1.5;
    };
    p.setPen(Qt::black);
    fig(QStringLiteral("Time"), When(f.time));
    fig(QStringLiteral("Distance"), Metres(f.distance));
    fig(QStringLiteral("Points"),
        QStringLiteral("%1 over %2\u00B0").arg(f.points).arg(Num(f.coverage, 1)));
    fig(QStringLiteral("Centre (x, y)"),
        QString::number(units::Convert(f.centreX, units::Kind::Size, g_units).value, 'f',
                        units::Convert(0, units::Kind::Size, g_units).decimals) +
            ", " + Size(f.centreY));
    fig(QStringLiteral("Mean diameter"), Size(f.meanDiameter));
    fig(QStringLiteral("Min diameter"),
        Size(f.minDiameter) + QStringLiteral(" at ") + Num(f.minDiameterBearing, 0) + "\u00B0");
    fig(QStringLiteral("Max diameter"), Size(f.maxDiameter));
    fig(QStringLiteral("Ovality (F1216)"), Percent(f.ovality));
    fig(QStringLiteral("Open area"), Quantity(f.openArea, units::Kind::Area));
    fig(QStringLiteral("Nominal area"), Quantity(f.nominalArea, units::Kind::Area));
    fig(QStringLiteral("Area loss"), Percent(f.areaLoss));
    fig(QStringLiteral("Debris depth"), Size(f.debrisDepth));
    fig(QStringLiteral("Debris area"), Quantity(f.debrisArea, units::Kind::Area));
    y += 8;
    p.setFont(DocFont(8));
    p.setPen(QPen(QColor(20, 60, 160)));
    p.drawText(QPointF(x0, y + fm.ascent()), QStringLiteral("\u2014 measured profile"));
    y += fm.lineSpacing();
    p.setPen(QPen(QColor(200, 40, 30)));
    p.drawText(QPointF(x0, y + fm.ascent()),
               QStringLiteral("- - nominal pipe on the fitted centre (\u00D7)"));
}

} // namespace reportpage
