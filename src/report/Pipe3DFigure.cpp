#include "report/Pipe3DFigure.h"

#include <cmath>

#include <QPainter>

#include "analysis/DeviationColours.h"
#include "report/ReportPages.h"
#include "view/Pipe3DRender.h"

using reportpage::g_units;

namespace {

constexpr double kLegendWidth = 70.0;

void DrawLegend(QPainter& p, const QRectF& r) {
    // Centimetres, or inches in an imperial survey's report.
    const units::Quantity scale =
        units::Convert(analysis::kDeviationScale, units::Kind::Deviation, g_units);
    const double scaleCm = scale.value;
    const int decimals = g_units == units::System::Imperial ? 1 : 0;
    const int steps = 60;
    const QRectF bar(r.left(), r.top() + 16, 14, r.height() - 32);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < steps; ++i) {
        const double cm = scaleCm * (1.0 - 2.0 * (i + 0.5) / steps);
        const analysis::Rgb c =
            analysis::DeviationColour(units::ToMetric(cm, units::Kind::Deviation, g_units));
        p.setBrush(QColor(c.r, c.g, c.b));
        p.drawRect(QRectF(bar.left(), bar.top() + bar.height() * i / steps, bar.width(),
                          bar.height() / steps + 0.3));
    }
    p.setPen(QPen(Qt::black, 0.5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(bar);
    QFont font = p.font();
    font.setPointSizeF(7.5);
    p.setFont(font);
    p.drawText(QPointF(r.left(), r.top() + 9),
               QStringLiteral("Deviation (%1)").arg(QString::fromUtf8(scale.unit)));
    const struct {
        double at;
        QString text;
    } ticks[] = {{0.0, QStringLiteral("+%1 inward").arg(scaleCm, 0, 'f', decimals)},
                 {0.5, QStringLiteral("0")},
                 {1.0, QStringLiteral("\u2212%1 outward").arg(scaleCm, 0, 'f', decimals)}};
    for (const auto& t : ticks)
        p.drawText(QPointF(bar.right() + 3, bar.top() + bar.height() * t.at + 3), t.text);
}

} // namespace

double DrawPipe3DFigure(QPainter& painter, const QRectF& target,
                        const analysis::PipeHistory& history, double nominalRadius) {
    const QRectF picture(target.left(), target.top(), target.width() - kLegendWidth - 6,
                         target.height() - 30);
    // Drawn at twice the page's resolution, then placed as one image: a
    // million points as vector dots would make the file huge and slow.
    const QSize pixels(static_cast<int>(picture.width() * 2),
                       static_cast<int>(picture.height() * 2));
    QString why;
    QImage image = RenderPipe3D(history, nominalRadius, pixels, &why);
    QString caption;
    if (!image.isNull()) {
        const double length =
            history.Empty() ? 0.0 : history.LastDistance() - history.FirstDistance();
        const double most = 8.0 * 2.0 * nominalRadius;
        caption = QStringLiteral("The whole pipe in 3D, %1 scans kept, %2 points; coloured by "
                                 "the wall's deviation from the nominal pipe.")
                      .arg(history.Rings().size())
                      .arg(history.Points());
        if (length > most && most > 0.0)
            caption +=
                QStringLiteral(" Length shown shortened 1:%1.").arg(length / most, 0, 'f', 1);
    } else {
        image = QImage(pixels, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter ip(&image);
        ip.setRenderHint(QPainter::Antialiasing);
        PaintPipeProjection(ip, QRectF(QPointF(0, 0), QSizeF(pixels)), history, nominalRadius);
        caption = QStringLiteral("Painter projection of the same points (the 3D renderer could "
                                 "not run: %1). Distance runs to the right, true to scale "
                                 "across and shortened along the pipe.")
                      .arg(why);
    }
    painter.save();
    painter.drawImage(picture, image);
    DrawLegend(painter, QRectF(picture.right() + 6, picture.top(), kLegendWidth, picture.height()));
    QFont font = painter.font();
    font.setPointSizeF(8);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(target.left(), picture.bottom() + 4, target.width(), 26),
                     Qt::TextWordWrap, caption);
    painter.restore();
    return target.height();
}
