#include "report/SurveyReport.h"

#include <QAreaSeries>
#include <QBuffer>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QPageLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QScopeGuard>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <optional>

#include "analysis/ConditionCsv.h"
#include "analysis/DeviationColours.h"
#include "analysis/Grade.h"
#include "analysis/PipeAxis.h"
#include "analysis/SoundSpeed.h"
#include "format/DataFileIo.h"
#include "format/NumberText.h"
#include "format/UnitsText.h"
#include "report/DistanceChart.h"
#include "report/Pipe3DFigure.h"
#include "report/ReportPages.h"

namespace {

using namespace reportpage;

void StretchTable(Pages& pg, const QString& title, const std::vector<analysis::Stretch>& list,
                  const QString& peakName, QString (*peakText)(double), bool withVolume) {
    constexpr std::size_t kMaxRows = 10;
    pg.Y() += 6;
    pg.Text(title, DocFont(10, true));
    if (list.empty()) {
        pg.Text(QStringLiteral("none over the threshold"), DocFont(9), 12);
        return;
    }
    const std::vector<double> at{12, 60, 140, 220, 300, 410};
    std::vector<QString> head{QStringLiteral("#"), QStringLiteral("from"), QStringLiteral("to"),
                              QStringLiteral("length"), peakName};
    if (withVolume) head.push_back(QStringLiteral("volume"));
    pg.Row(head, at, DocFont(9, true));
    // Rows stop short of the footer; the rest are counted below.
    std::size_t shown = 0;
    for (std::size_t i = 0; i < list.size() && i < kMaxRows && pg.Y() < pg.Bottom() - 36; ++i) {
        ++shown;
        const analysis::Stretch& s = list[i];
        std::vector<QString> row{QString::number(i + 1), Metres(s.start), Metres(s.end),
                                 Metres(s.Length()), peakText(s.peak)};
        if (withVolume) row.push_back(Quantity(s.volume, units::Kind::Volume));
        pg.Row(row, at, DocFont(9));
    }
    if (list.size() > shown)
        pg.Text(
            QStringLiteral("and %1 more stretches (see the CSV table)").arg(list.size() - shown),
            DocFont(9), 12);
}

// The sags as stretches of the findings tables: their greatest depth is the
// stretch's peak.
std::vector<analysis::Stretch> SagStretches(const std::vector<analysis::Sag>& sags) {
    std::vector<analysis::Stretch> out;
    for (const analysis::Sag& s : sags) {
        analysis::Stretch st;
        st.start = s.start;
        st.end = s.end;
        st.peak = s.depth;
        st.peakDistance = s.deepestAt;
        out.push_back(st);
    }
    return out;
}

// What a crew typed, as one line of the page: control characters (line
// breaks among them) are spaces.
void FirstPage(Pages& pg, const ReportCollector& survey, const ReportSettings& settings,
               const analysis::Findings& found, const std::vector<analysis::Sag>& sags) {
    const SurveyFacts& f = survey.Facts();
    const auto& scans = survey.Scans();
    const survey::SurveyDetails& details = survey.Details();
    pg.Text(QStringLiteral("Pipe inspection report"), DocFont(20, true));
    pg.Y() += 2;
    const QString pipe = PipeAndNodes(details);
    pg.Text(
        pg.Elided(pipe.isEmpty() ? QString::fromStdString(f.name) : QStringLiteral("Pipe ") + pipe,
                  DocFont(13, true), 0),
        DocFont(13, true));
    pg.Y() += 6;
    pg.Rule();

    auto line = [&pg](const QString& l, const QString& v) { pg.LabelLine(l, v); };
    DetailsBlock(details, line);
    line(QStringLiteral("Recording"), QString::fromStdString(f.name));
    line(QStringLiteral("Recorded"), When(f.firstTime) + QStringLiteral(" to ") + When(f.lastTime));
    const double length = std::fabs(f.lastDistance - f.firstDistance);
    line(QStringLiteral("Distance along the pipe"),
         Metres(f.firstDistance) + QStringLiteral(" to ") + Metres(f.lastDistance) +
             QStringLiteral(" (") + Metres(length) + QStringLiteral(")"));
    // Surveyed against placed: the crew sees at once whether the survey
    // reached the far node, or the nodes' coordinates are wrong.
    if (const double between = geo::LengthBetweenNodes(details); std::isfinite(between)) {
        const double surveyed = std::max(std::fabs(f.firstDistance), std::fabs(f.lastDistance));
        QString text = QStringLiteral("between the nodes ") + Metres(between);
        if (std::isfinite(surveyed))
            text += QStringLiteral(", surveyed ") + Metres(surveyed) +
                    QStringLiteral(", difference ") + Metres(surveyed - between) +
                    QStringLiteral(" (%1 %)").arg(Num(100.0 * (surveyed - between) / between, 1));
        line(QStringLiteral("Lengths"), text);
    }
    line(QStringLiteral("Nominal pipe"), PipeText(f.pipe));
    line(QStringLiteral("Head settings"),
         QStringLiteral("range ") + Span(f.minRange, f.maxRange, 1, QStringLiteral(" m")) +
             QStringLiteral(", gain ") + Span(f.minGain, f.maxGain, 0, QString()) +
             QStringLiteral("; ") + TiltText(f));
    // Every figure scales with the speed of sound: the reader is told which
    // speed, where it came from and whether a ring of known size checked it.
    const std::string speed =
        !settings.speedOrigin.empty()
            ? settings.speedOrigin
            : analysis::DescribeSpeed({f.soundVelocity, analysis::SpeedSource::ByHand});
    line(QString(), QStringLiteral("speed of sound ") + QString::fromStdString(speed));
    // A ring check is long: one row for each of its parts.
    const QString check = !settings.calibration.empty()
                              ? QString::fromStdString(settings.calibration)
                              : QStringLiteral("scale not checked against a known diameter");
    for (const QString& part : check.split(QStringLiteral("; ")))
        line(QString(), part);
    for (const std::string* note : {&settings.scaleNote, &f.storedSpeedNote})
        if (!note->empty()) line(QStringLiteral("Scale note"), QString::fromStdString(*note));
    if (f.pitchFromSensor + f.pitchFromHead > 0)
        line(QStringLiteral("Tilt correction"),
             QStringLiteral(
                 "the pitch taken as the head's tilt against the pipe (grade neglected)"));
    line(QStringLiteral("Scans analysed"),
         QStringLiteral("%1 (%2 profile points)").arg(scans.size()).arg(f.points));
    const analysis::ReportThresholds& t = settings.thresholds;
    line(QStringLiteral("Thresholds"), QStringLiteral("ovality ") + Percent(t.ovality) +
                                           QStringLiteral(", area loss ") + Percent(t.areaLoss) +
                                           QStringLiteral(", debris depth ") + Size(t.debrisDepth));
    pg.Y() += 8;
    pg.Rule();

    pg.Text(QStringLiteral("Findings"), DocFont(14, true));
    pg.Y() += 2;
    const std::vector<double> cols{0, 170, 260};
    auto where = [&](const analysis::Extreme& e) {
        if (!e.Found()) return QStringLiteral("not measured");
        return QStringLiteral("at ") + Metres(e.distance) +
               QStringLiteral(" (scan %1)").arg(e.index + 1);
    };
    auto finding = [&](const QString& l, const analysis::Extreme& e, const QString& v) {
        pg.Row({l, e.Found() ? v : QStringLiteral("n/a"), where(e)}, cols, DocFont(10));
    };
    finding(QStringLiteral("Largest ovality (ASTM F1216)"), found.ovality,
            Percent(found.ovality.value));
    finding(QStringLiteral("Largest area loss"), found.areaLoss, Percent(found.areaLoss.value));
    finding(QStringLiteral("Greatest debris depth"), found.debrisDepth,
            Size(found.debrisDepth.value));
    pg.Row({QStringLiteral("Debris volume, whole survey"),
            Quantity(found.debrisVolume, units::Kind::Volume), QString()},
           cols, DocFont(10));

    StretchTable(pg, QStringLiteral("Debris stretches (depth over ") + Size(t.debrisDepth) + ")",
                 found.debrisStretches, QStringLiteral("greatest depth"), Size, true);
    StretchTable(pg, QStringLiteral("Oval stretches (ovality over ") + Percent(t.ovality) + ")",
                 found.ovalStretches, QStringLiteral("largest ovality"), Percent, false);
    StretchTable(pg, QStringLiteral("Area loss stretches (over ") + Percent(t.areaLoss) + ")",
                 found.lossStretches, QStringLiteral("largest loss"), Percent, false);
    const QString sagTitle = QStringLiteral("Sags (below the line between their ends by over ") +
                             Size(analysis::DefaultSagThreshold(f.pipe)) + ")";
    if (survey.Grade().HasPitch()) {
        StretchTable(pg, sagTitle, SagStretches(sags), QStringLiteral("greatest depth"), Size,
                     false);
    } else {
        pg.Y() += 6;
        pg.Text(sagTitle, DocFont(10, true));
        pg.Text(QStringLiteral("not measured: no valid pitch recorded"), DocFont(9), 12);
    }
}

// One plot against distance: the figure, its threshold dashed, and the
// stretches over it shaded.
void DrawPlot(QPainter& painter, const QRectF& target, const QString& title,
              const std::vector<ScanFigures>& scans, analysis::ScanFigure figure, double scale,
              double threshold, const std::vector<analysis::Stretch>& over) {
    double xMin = INFINITY, xMax = -INFINITY, yMin = 0.0, yMax = threshold * scale;
    auto* line = new QLineSeries;
    for (const ScanFigures& f : scans) {
        const double v = f.*figure * scale;
        if (!std::isfinite(v) || !std::isfinite(f.distance)) continue;
        const double x = AlongThePipe(f.distance);
        line->append(x, v);
        xMin = std::min(xMin, x);
        xMax = std::max(xMax, x);
        yMin = std::min(yMin, v);
        yMax = std::max(yMax, v);
    }
    if (!(xMin < xMax)) {
        xMin = std::isfinite(xMin) ? xMin - 0.5 : 0.0;
        xMax = xMin + 1.0;
    }
    const double pad = (yMax - yMin) * 0.08 + 1e-6;
    yMax += pad;
    if (yMin < 0.0) yMin -= pad;

    DistanceChart chart(target.size(), title, xMin, xMax, yMin, yMax, 1);
    std::vector<std::pair<double, double>> spans;
    for (const analysis::Stretch& s : over)
        spans.emplace_back(AlongThePipe(s.start), AlongThePipe(s.end));
    chart.Shade(spans, QColor(230, 120, 40, 70));
    auto* limit = new QLineSeries;
    limit->append(chart.XMin(), threshold * scale);
    limit->append(chart.XMax(), threshold * scale);
    limit->setPen(QPen(QColor(200, 40, 30), 1.0, Qt::DashLine));
    line->setPen(QPen(QColor(20, 60, 160), 1.2));
    chart.Add(limit);
    chart.Add(line);
    chart.Render(painter, target);
}

void PlotPage(Pages& pg, const ReportCollector& survey, const ReportSettings& settings,
              const analysis::Findings& found) {
    pg.Text(QStringLiteral("Condition along the pipe"), DocFont(14, true));
    pg.Text(QStringLiteral("Shaded: stretches over the threshold (dashed line)."), DocFont(9));
    pg.Y() += 4;
    const double h = (pg.Bottom() - pg.Y()) / 3.0;
    const double w = pg.Area().width();
    const auto& t = settings.thresholds;
    DrawPlot(pg.P(), QRectF(0, pg.Y(), w, h - 6),
             QStringLiteral("Ovality, ASTM F1216 (%), threshold ") + Percent(t.ovality),
             survey.Scans(), &ScanFigures::ovality, 1.0, t.ovality, found.ovalStretches);
    DrawPlot(pg.P(), QRectF(0, pg.Y() + h, w, h - 6),
             QStringLiteral("Area loss against the nominal pipe (%), threshold ") +
                 Percent(t.areaLoss),
             survey.Scans(), &ScanFigures::areaLoss, 1.0, t.areaLoss, found.lossStretches);
    // Depths in millimetres, or inches.
    const bool imperial = g_units == units::System::Imperial;
    const double depthScale = imperial ? 1.0 / units::kMetresPerInch : 1000.0;
    const QString depthUnit = imperial ? QStringLiteral("in") : QStringLiteral("mm");
    DrawPlot(pg.P(), QRectF(0, pg.Y() + 2 * h, w, h - 6),
             QStringLiteral("Debris depth (") + depthUnit + QStringLiteral("), threshold ") +
                 Num(t.debrisDepth * depthScale, imperial ? 2 : 0) + QStringLiteral(" ") +
                 depthUnit,
             survey.Scans(), &ScanFigures::debrisDepth, depthScale, t.debrisDepth,
             found.debrisStretches);
}

// The deviation colour scale beside a picture: inward (red) at the top, in
// centimetres.
void DeviationLegend(QPainter& p, const QRectF& bar) {
    const int steps = 100;
    for (int i = 0; i < steps; ++i) {
        const double dev = analysis::kDeviationScale * (1.0 - 2.0 * (i + 0.5) / steps);
        const analysis::Rgb c = analysis::DeviationColour(dev);
        p.fillRect(QRectF(bar.left(), bar.top() + bar.height() * i / steps, bar.width(),
                          bar.height() / steps + 0.3),
                   QColor(c.r, c.g, c.b));
    }
    p.setPen(QPen(Qt::black, 0.5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(bar);
    p.setFont(DocFont(8));
    // Centimetres, or inches.
    const bool imperial = g_units == units::System::Imperial;
    const double cm = analysis::kDeviationScale / (imperial ? units::kMetresPerInch : 0.01);
    for (const double v : {cm, cm / 2, 0.0, -cm / 2, -cm}) {
        const double y = bar.top() + bar.height() * (cm - v) / (2.0 * cm);
        p.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + 3, y));
        p.drawText(QPointF(bar.right() + 5, y + 3),
                   (v > 0 ? QStringLiteral("+") : QString()) + Num(v, 1));
    }
    p.drawText(QPointF(bar.left(), bar.bottom() + 12),
               imperial ? QStringLiteral("deviation (in)") : QStringLiteral("deviation (cm)"));
    p.drawText(QPointF(bar.left(), bar.bottom() + 22), QStringLiteral("+ inward, - outward"));
    const analysis::Rgb none = analysis::kNoDeviationColour;
    p.fillRect(QRectF(bar.left(), bar.bottom() + 28, bar.width(), 8),
               QColor(none.r, none.g, none.b));
    p.drawText(QPointF(bar.right() + 5, bar.bottom() + 35), QStringLiteral("no wall"));
}

// The whole survey unrolled: bearing about the pipe's centre across,
// distance down, each cell the mean deviation of its wall points.
void UnrolledPage(Pages& pg, const ReportCollector& survey) {
    const analysis::UnrolledMap& map = survey.Unrolled();
    pg.Text(QStringLiteral("The pipe unrolled"), DocFont(14, true));
    pg.Text(QStringLiteral("Deviation of the wall from the nominal pipe on the fitted centre, by "
                           "bearing (clockwise from up) and distance."),
            DocFont(9));
    if (map.ScansPerRow() > 1)
        pg.Text(
            QStringLiteral("Each row is the mean of %1 successive scans.").arg(map.ScansPerRow()),
            DocFont(9));
    pg.Y() += 14;
    QPainter& p = pg.P();
    const QRectF area(46, pg.Y(), pg.Area().width() - 46 - 80, pg.Bottom() - pg.Y() - 10);
    const int rows = static_cast<int>(map.Rows());
    if (rows == 0) {
        pg.Text(QStringLiteral("No scan was analysed."), DocFont(10), 46);
        return;
    }
    QImage picture(analysis::UnrolledMap::kColumns, rows, QImage::Format_RGB32);
    for (int r = 0; r < rows; ++r) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(r));
        for (int c = 0; c < analysis::UnrolledMap::kColumns; ++c) {
            const analysis::Rgb rgb =
                analysis::DeviationColour(map.Deviation(static_cast<std::size_t>(r), c));
            line[c] = qRgb(rgb.r, rgb.g, rgb.b);
        }
    }
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(area, picture);
    p.restore();
    p.setPen(QPen(Qt::black, 0.5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);
    p.setFont(DocFont(8));
    for (int b = 0; b <= 360; b += 45) {
        const double x = area.left() + area.width() * b / 360.0;
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.top() - 3));
        p.drawText(QRectF(x - 20, area.top() - 14, 40, 10), Qt::AlignCenter,
                   QString::number(b) + QStringLiteral("°"));
    }
    // Distance labels at about every 40 points down the page.
    const int every = std::max(1, static_cast<int>(std::ceil(40.0 * rows / area.height())));
    for (int r = 0; r < rows; r += every) {
        const double d = map.Distance(static_cast<std::size_t>(r));
        if (!std::isfinite(d)) continue;
        const double y = area.top() + (r + 0.5) * area.height() / rows;
        p.drawLine(QPointF(area.left() - 3, y), QPointF(area.left(), y));
        p.drawText(QRectF(0, y - 5, area.left() - 5, 10), Qt::AlignRight | Qt::AlignVCenter,
                   Num(AlongThePipe(d), 1) + QStringLiteral(" ") + UnitOf(units::Kind::Distance));
    }
    DeviationLegend(p, QRectF(area.right() + 12, area.top(), 12, std::min(220.0, area.height())));
}

// The grade and the elevation against distance, the sags shaded.
void GradePage(Pages& pg, const ReportCollector& survey,
               const std::vector<analysis::GradeRow>& rows,
               const std::vector<analysis::Sag>& sags) {
    pg.Text(QStringLiteral("Grade profile"), DocFont(14, true));
    const double threshold = analysis::DefaultSagThreshold(survey.Facts().pipe);
    pg.Text(QStringLiteral("From the head's pitch at each ping, averaged over 0.1 m; elevation "
                           "relative to the first step. Shaded: sags deeper than ") +
                Size(threshold) + QStringLiteral("."),
            DocFont(9));
    pg.Y() += 4;
    if (rows.empty()) {
        pg.Text(QStringLiteral("No valid pitch was recorded: no grade profile."), DocFont(10));
        return;
    }
    const double h = (pg.Bottom() - pg.Y()) / 2.0;
    const double w = pg.Area().width();
    auto plot = [&](const QRectF& target, const QString& title, double analysis::GradeRow::*value,
                    int decimals, double scale) {
        auto* line = new QLineSeries;
        double yMin = INFINITY, yMax = -INFINITY;
        for (const analysis::GradeRow& r : rows) {
            const double y = r.*value * scale;
            line->append(AlongThePipe(r.distance), y);
            yMin = std::min(yMin, y);
            yMax = std::max(yMax, y);
        }
        double xMin = AlongThePipe(rows.front().distance),
               xMax = AlongThePipe(rows.back().distance);
        if (!(xMin < xMax)) xMax = xMin + 1.0;
        const double pad = (yMax - yMin) * 0.08 + 1e-3;
        DistanceChart chart(target.size(), title, xMin, xMax, yMin - pad, yMax + pad, decimals);
        std::vector<std::pair<double, double>> spans;
        for (const analysis::Sag& s : sags)
            spans.emplace_back(AlongThePipe(s.start), AlongThePipe(s.end));
        chart.Shade(spans, QColor(40, 120, 230, 70));
        line->setPen(QPen(QColor(20, 60, 160), 1.2));
        chart.Add(line);
        chart.Render(pg.P(), target);
    };
    plot(QRectF(0, pg.Y(), w, h - 6),
         QStringLiteral("Elevation (") + UnitOf(units::Kind::Distance) + QStringLiteral(")"),
         &analysis::GradeRow::elevation, 3, AlongThePipe(1.0));
    plot(QRectF(0, pg.Y() + h, w, h - 6), QStringLiteral("Grade (%)"), &analysis::GradeRow::grade,
         2, 1.0);
}

void Pipe3DPage(Pages& pg, const ReportCollector& survey) {
    pg.Text(QStringLiteral("The pipe in 3D"), DocFont(14, true));
    pg.Y() += 4;
    double radius = survey.Facts().pipe.diameter / 2.0;
    for (const ScanFigures& f : survey.Scans())
        if (std::isfinite(f.nominalArea) && f.nominalArea > 0.0) {
            radius = std::sqrt(f.nominalArea / std::numbers::pi);
            break;
        }
    const double h = std::min(pg.Bottom() - pg.Y(), pg.Area().width() * 0.75);
    pg.Y() +=
        DrawPipe3DFigure(pg.P(), QRectF(0, pg.Y(), pg.Area().width(), h), survey.Pipe3D(), radius);
}

} // namespace

bool WriteSurveyReport(const ReportCollector& survey, const ReportSettings& settings,
                       const std::string& path, std::string* error) {
    g_units = survey.Facts().units;
    const auto metricAgain = qScopeGuard([] { g_units = units::System::Metric; });
    const analysis::Findings found = analysis::FindFindings(survey.Scans(), settings.thresholds);
    const std::vector<WorstScan> worst = survey.WorstScans();
    const std::vector<analysis::GradeRow> grade = survey.Grade().Rows();
    const std::vector<analysis::Sag> sags =
        analysis::FindSags(grade, analysis::DefaultSagThreshold(survey.Facts().pipe));
    constexpr int kSectionsPerPage = 2;
    const int pages =
        5 + (static_cast<int>(worst.size()) + kSectionsPerPage - 1) / kSectionsPerPage;

    // Drawn in memory and written in one go, so a full disk is noticed (the
    // PDF writer would not say) and no half-written report is taken for whole.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(18, 16, 18, 14), QPageLayout::Millimeter);
    pdf.setResolution(72); // one unit is one point
    pdf.setTitle(QStringLiteral("Pipe inspection report: ") +
                 QString::fromStdString(survey.Facts().name));
    pdf.setCreator(QStringLiteral("TubescanL ") + QString::fromStdString(settings.version));
    QPainter painter;
    if (!painter.begin(&pdf)) {
        if (error) *error = "the PDF writer could not start";
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    // Every page names the pipe and its nodes, where the survey gives them.
    const QString pipe = PipeAndNodes(survey.Details());
    Pages pg(
        pdf, painter, pages,
        QStringLiteral("TubescanL ") + QString::fromStdString(settings.version) +
            QStringLiteral(" - inspection report of ") +
            (pipe.isEmpty() ? QString() : QStringLiteral("pipe ") + pipe + QStringLiteral(", ")) +
            QString::fromStdString(survey.Facts().name));

    FirstPage(pg, survey, settings, found, sags);
    pg.Next();
    PlotPage(pg, survey, settings, found);
    pg.Next();
    UnrolledPage(pg, survey);
    pg.Next();
    GradePage(pg, survey, grade, sags);
    pg.Next();
    Pipe3DPage(pg, survey);
    for (std::size_t i = 0; i < worst.size(); ++i) {
        if (i % kSectionsPerPage == 0) {
            pg.Next();
            pg.Text(QStringLiteral("Worst cross-sections"), DocFont(14, true));
        }
        const double top0 = 26.0;
        const double each = (pg.Bottom() - top0) / kSectionsPerPage;
        DrawSection(pg, survey, worst[i], found, top0 + (i % kSectionsPerPage) * each, each);
    }
    pg.Footer();
    if (!painter.end()) {
        if (error) *error = "the PDF writer could not finish the report";
        return false;
    }
    return WriteWholeFile(
        path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), error);
}
