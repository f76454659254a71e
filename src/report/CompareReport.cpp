#include "report/CompareReport.h"

#include <QBuffer>
#include <QPdfWriter>

#include <QScopeGuard>

#include <cmath>

#include "format/DataFileIo.h"
#include "report/DistanceChart.h"
#include "report/ReportPages.h"

namespace {

using namespace reportpage;

// How each figure is plotted: diameters and depths in millimetres read
// better than in metres on an axis; in a survey kept in imperial units, in
// inches (a diameter's change is a few hundredths of one).
struct Plotted {
    double scale;
    const char* unit;
    int decimals;
};
Plotted PlottedOf(std::size_t f) {
    const bool length = f == 0 || f == 3; // mean diameter, debris depth
    if (!length) return {1.0, "%", 1};
    if (g_units == units::System::Imperial) return {1.0 / units::kMetresPerInch, "in", 2};
    return {1000.0, "mm", 0};
}

// The units the comparison speaks: the later survey's, else the earlier's,
// where their details name them; metric otherwise (the converter's table
// stays metric whatever they say).
units::System UnitsOf(const CompareReportInfo& info) {
    return units::SystemOf(
        info.newerDetails.units.empty() ? info.olderDetails.units : info.newerDetails.units, 0);
}

std::vector<std::pair<double, double>> Spans(const analysis::Comparison& c, std::size_t f) {
    std::vector<std::pair<double, double>> spans;
    for (const analysis::ChangeStretch& s : c.stretches)
        if (s.figure == f) spans.emplace_back(AlongThePipe(s.from), AlongThePipe(s.to));
    return spans;
}

QLineSeries* Series(const analysis::Comparison& c,
                    const std::function<double(const analysis::CompareRow&)>& value, double& yMin,
                    double& yMax) {
    auto* line = new QLineSeries;
    for (const analysis::CompareRow& r : c.rows) {
        const double v = value(r);
        if (!std::isfinite(v)) continue;
        line->append(AlongThePipe(r.distance), v);
        yMin = std::min(yMin, v);
        yMax = std::max(yMax, v);
    }
    return line;
}

// Both surveys' profiles of figure f, the later one dashed; then the change
// between its limits, the significant stretches shaded in both.
void FigurePage(Pages& pg, const analysis::Comparison& c, std::size_t f) {
    const analysis::CompareFigure& fig = analysis::CompareFigures()[f];
    const Plotted how = PlottedOf(f);
    const QString unit = QString::fromLatin1(how.unit);
    pg.Text(QStringLiteral("Change of the ") + QString::fromLatin1(fig.name), DocFont(14, true));
    pg.Text(QStringLiteral("Distance along the earlier survey. Shaded: a change over its detection "
                           "limit for at least %1.")
                .arg(Metres(analysis::CompareOptions{}.minStretch)),
            DocFont(9));
    pg.Y() += 4;
    const double w = pg.Area().width();
    const double h = (pg.Bottom() - pg.Y() - 120.0) / 2.0;
    const double xMin = AlongThePipe(c.rows.front().distance);
    const double xMax = AlongThePipe(c.rows.back().distance);
    const auto spans = Spans(c, f);
    {
        double yMin = INFINITY, yMax = -INFINITY;
        QLineSeries* older = Series(
            c, [&](const analysis::CompareRow& r) { return r.older[f] * how.scale; }, yMin, yMax);
        QLineSeries* newer = Series(
            c, [&](const analysis::CompareRow& r) { return r.newer[f] * how.scale; }, yMin, yMax);
        if (!(yMin <= yMax)) yMin = 0.0, yMax = 1.0;
        const double pad = (yMax - yMin) * 0.08 + 1e-6;
        DistanceChart chart(QSizeF(w, h - 6),
                            QStringLiteral("Earlier (solid) and later (dashed) survey, ") + unit,
                            xMin, xMax, yMin - pad, yMax + pad, how.decimals);
        chart.Shade(spans, QColor(230, 120, 40, 70));
        older->setPen(QPen(QColor(20, 60, 160), 1.2));
        newer->setPen(QPen(QColor(200, 40, 30), 1.2, Qt::DashLine));
        chart.Add(older);
        chart.Add(newer);
        chart.Render(pg.P(), QRectF(0, pg.Y(), w, h - 6));
    }
    {
        double yMin = 0.0, yMax = 0.0;
        QLineSeries* change = Series(
            c, [&](const analysis::CompareRow& r) { return r.Change(f) * how.scale; }, yMin, yMax);
        QLineSeries* upper = Series(
            c, [&](const analysis::CompareRow& r) { return r.limit[f] * how.scale; }, yMin, yMax);
        QLineSeries* lower = Series(
            c, [&](const analysis::CompareRow& r) { return -r.limit[f] * how.scale; }, yMin, yMax);
        const double pad = (yMax - yMin) * 0.08 + 1e-6;
        DistanceChart chart(QSizeF(w, h - 6),
                            QStringLiteral("Change (later - earlier), ") + unit +
                                QStringLiteral(", and its detection limit (dotted)"),
                            xMin, xMax, yMin - pad, yMax + pad, how.decimals);
        chart.Shade(spans, QColor(230, 120, 40, 70));
        change->setPen(QPen(QColor(20, 60, 160), 1.2));
        for (QLineSeries* l : {upper, lower})
            l->setPen(QPen(QColor(90, 90, 90), 0.8, Qt::DotLine));
        chart.Add(upper);
        chart.Add(lower);
        chart.Add(change);
        chart.Render(pg.P(), QRectF(0, pg.Y() + h, w, h - 6));
    }
    pg.Y() += 2 * h + 4;
    pg.Text(QStringLiteral("Significant stretches"), DocFont(10, true));
    const std::vector<double> at{12, 90, 170, 260, 350};
    pg.Row({QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("earlier"),
            QStringLiteral("later"), QStringLiteral("change")},
           at, DocFont(9, true));
    std::size_t shown = 0, total = 0;
    for (const analysis::ChangeStretch& s : c.stretches) {
        if (s.figure != f) continue;
        ++total;
        if (pg.Y() > pg.Bottom() - 14) continue;
        ++shown;
        pg.Row({Metres(s.from), Metres(s.to),
                Num(s.older * how.scale, how.decimals + 1) + " " + unit,
                Num(s.newer * how.scale, how.decimals + 1) + " " + unit,
                Num(s.change * how.scale, how.decimals + 1) + " " + unit},
               at, DocFont(9));
    }
    if (total == 0)
        pg.Text(QStringLiteral("none: no change over its detection limit"), DocFont(9), 12);
    if (total > shown)
        pg.Text(QStringLiteral("and %1 more (see the CSV table)").arg(total - shown), DocFont(9),
                12);
}

void FirstPage(Pages& pg, const analysis::Comparison& c, const CompareReportInfo& info) {
    pg.Text(QStringLiteral("Pipe survey comparison"), DocFont(20, true));
    pg.Y() += 2;
    const QString pipe = PipeAndNodes(info.newerDetails);
    if (!pipe.isEmpty())
        pg.Text(pg.Elided(QStringLiteral("Pipe ") + pipe, DocFont(13, true), 0), DocFont(13, true));
    pg.Y() += 6;
    pg.Rule();
    auto line = [&pg](const QString& l, const QString& v) { pg.LabelLine(l, v); };
    line(QStringLiteral("Earlier survey"), QString::fromStdString(info.olderName));
    DetailsBlock(info.olderDetails,
                 [&](const QString& l, const QString& v) { line(QStringLiteral("  ") + l, v); });
    line(QStringLiteral("Later survey"), QString::fromStdString(info.newerName));
    DetailsBlock(info.newerDetails,
                 [&](const QString& l, const QString& v) { line(QStringLiteral("  ") + l, v); });
    pg.Y() += 6;
    pg.Rule();
    const analysis::Alignment& a = c.alignment;
    pg.Text(QStringLiteral("Alignment found"), DocFont(14, true));
    line(QStringLiteral("Direction"), a.reversed
                                          ? QStringLiteral("the later survey went the other way")
                                          : QStringLiteral("both went the same way"));
    line(QStringLiteral("Scale"),
         Num(a.scale, 4) +
             QStringLiteral(" earlier %1 per later %1 (").arg(UnitOf(units::Kind::Distance)) +
             Num((a.scale - 1.0) * 100.0, 2) + QStringLiteral(" %; as good within +-") +
             Num(a.scaleSpread * 100.0, 2) + QStringLiteral(" %)"));
    line(QStringLiteral("Offset"), Metres(a.offset));
    const QString why = a.uncertain ? QStringLiteral(": uncertain, ") +
                                          QString::fromStdString(analysis::UncertainWhy(a))
                                    : QString();
    line(QStringLiteral("Correlation"),
         Num(a.correlation, 3) + why +
             (a.uncertain ? QStringLiteral("; check the changes found") : QString()));
    line(QStringLiteral("Later survey"),
         Metres(a.newerStart) + QStringLiteral(" to ") + Metres(a.newerEnd) +
             QStringLiteral(" lies at ") + Metres(a.ToOlder(a.newerStart)) +
             QStringLiteral(" to ") + Metres(a.ToOlder(a.newerEnd)));
    pg.Y() += 6;
    pg.Text(QStringLiteral("Detection limit"), DocFont(14, true));
    pg.Text(QStringLiteral(
                "limit = 1.96 sqrt(s1^2/n1 + s2^2/n2) + registration, per %1 cell; s: a survey's "
                "scatter from scan to scan")
                .arg(Metres(analysis::CompareOptions{}.cell)),
            DocFont(9));
    pg.Text(QStringLiteral(
                "outside its findings, n: scans in the cell, registration: the smaller of the two "
                "surveys' steps to the neighbouring cells."),
            DocFont(9));
    const std::vector<double> cols{12, 140, 260};
    pg.Row({QStringLiteral("figure"), QStringLiteral("scatter, earlier"),
            QStringLiteral("scatter, later")},
           cols, DocFont(9, true));
    for (std::size_t f = 0; f < analysis::kCompareFigures; ++f) {
        const Plotted how = PlottedOf(f);
        const QString unit = QStringLiteral(" ") + QString::fromLatin1(how.unit);
        pg.Row({QString::fromLatin1(analysis::CompareFigures()[f].name),
                Num(c.olderScatter[f] * how.scale, how.decimals + 2) + unit,
                Num(c.newerScatter[f] * how.scale, how.decimals + 2) + unit},
               cols, DocFont(9));
    }
    pg.Y() += 6;
    pg.Text(QStringLiteral("Significant changes: %1 stretches (each figure's page lists its own)")
                .arg(c.stretches.size()),
            DocFont(10, true));
}

} // namespace

bool WriteComparisonReport(const analysis::Comparison& comparison, const CompareReportInfo& info,
                           const std::string& path, std::string* error) {
    if (comparison.rows.empty()) {
        if (error) *error = "nothing was compared";
        return false;
    }
    g_units = UnitsOf(info);
    const auto metricAgain = qScopeGuard([] { g_units = units::System::Metric; });
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(18, 16, 18, 14), QPageLayout::Millimeter);
    pdf.setResolution(72);
    pdf.setTitle(QStringLiteral("Pipe survey comparison: ") +
                 QString::fromStdString(info.newerName));
    pdf.setCreator(QStringLiteral("TubescanL ") + QString::fromStdString(info.version));
    QPainter painter;
    if (!painter.begin(&pdf)) {
        if (error) *error = "the PDF writer could not start";
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const QString pipe = PipeAndNodes(info.newerDetails);
    Pages pg(
        pdf, painter, 1 + static_cast<int>(analysis::kCompareFigures),
        QStringLiteral("TubescanL ") + QString::fromStdString(info.version) +
            QStringLiteral(" - comparison of ") +
            (pipe.isEmpty() ? QString() : QStringLiteral("pipe ") + pipe + QStringLiteral(", ")) +
            QString::fromStdString(info.olderName) + QStringLiteral(" and ") +
            QString::fromStdString(info.newerName));
    FirstPage(pg, comparison, info);
    for (std::size_t f = 0; f < analysis::kCompareFigures; ++f) {
        pg.Next();
        FigurePage(pg, comparison, f);
    }
    pg.Footer();
    if (!painter.end()) {
        if (error) *error = "the PDF writer could not finish the report";
        return false;
    }
    return WriteWholeFile(
        path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), error);
}
