// The report's page furniture, shared by the files that draw its pages: the
// document font, number texts, and Pages, one A4 page at a time with a cursor
// running down it. Only the report's own files include this.
#pragma once

#include <QFont>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "analysis/ConditionCsv.h"
#include "analysis/ConditionFindings.h"
#include "analysis/SurveySummary.h"
#include "doc/ReportCollector.h"
#include "format/NumberText.h"
#include "format/SurveyDetails.h"
#include "format/UnitsText.h"

namespace reportpage {

using analysis::ScanFigures;

// The document font: Liberation Sans, the face of the program's picture texts.
inline QFont DocFont(double points, bool bold = false) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

inline QString Num(double v, int decimals) {
    if (!std::isfinite(v)) return QStringLiteral("n/a");
    if (std::fabs(v) < 0.5 * std::pow(10.0, -decimals)) v = 0.0;
    return QString::fromStdString(FormatFixed(v, decimals));
}

// The units the report being drawn speaks: set by WriteSurveyReport for the
// one report drawn at a time (the charts are widgets, on one thread).
inline units::System g_units = units::System::Metric;

inline QString Quantity(double metric, units::Kind kind) {
    return QString::fromStdString(units::Text(metric, kind, g_units));
}

// A distance along the pipe or a length of it: m, or ft.
inline QString Metres(double v) {
    return Quantity(v, units::Kind::Distance);
}

// A diameter, width or depth: m, or in.
inline QString Size(double v) {
    return Quantity(v, units::Kind::Size);
}

inline QString UnitOf(units::Kind kind) {
    return QString::fromUtf8(units::Unit(kind, g_units));
}

// A distance in the report's unit, for the charts' axes.
inline double AlongThePipe(double metres) {
    return units::Convert(metres, units::Kind::Distance, g_units).value;
}

inline QString Percent(double v) {
    return Num(v, 2) + QStringLiteral(" %");
}

inline QString When(double seconds) {
    const std::string iso = analysis::IsoTime(seconds);
    if (iso.empty()) return QStringLiteral("unknown");
    return QString::fromStdString(iso).replace(QLatin1Char('T'), QLatin1Char(' '));
}

// Which pitch the figures were corrected with, or none.
inline QString TiltText(const SurveyFacts& f) {
    if (f.pitchFromSensor == 0 && f.pitchFromHead == 0)
        return QStringLiteral("no tilt correction (no valid pitch)");
    return f.pitchFromSensor >= f.pitchFromHead ? QStringLiteral("tilt from the sensor's pitch")
                                                : QStringLiteral("tilt from the head's pitch");
}

inline QString PipeText(const analysis::NominalPipe& p) {
    switch (p.shape) {
    case analysis::NominalShape::HorseShoe:
        return QStringLiteral("horse-shoe, ") + Size(p.width) + QStringLiteral(" wide, ") +
               Size(p.height) + QStringLiteral(" high");
    case analysis::NominalShape::IrregularCircle:
        return QStringLiteral("irregular circle, upper ") + Size(p.upperDiameter) +
               QStringLiteral(", lower ") + Size(p.lowerDiameter);
    default:
        return QStringLiteral("circle, diameter ") + Size(p.diameter);
    }
}

inline QString Span(double a, double b, int decimals, const QString& unit) {
    if (a == b) return Num(a, decimals) + unit;
    return Num(a, decimals) + QStringLiteral(" to ") + Num(b, decimals) + unit;
}

// One A4 page at a time, 1 unit = 1 point, with a cursor running down it.
class Pages {
  public:
    Pages(QPdfWriter& pdf, QPainter& painter, int total, QString footer)
        : m_pdf(pdf), m_p(painter), m_total(total), m_footer(std::move(footer)) {
        m_area = QRectF(QPointF(0, 0), m_pdf.pageLayout().paintRect(QPageLayout::Point).size());
        m_y = 0;
    }
    QPainter& P() { return m_p; }
    const QRectF& Area() const { return m_area; }
    double& Y() { return m_y; }
    double Bottom() const { return m_area.bottom() - 24.0; }

    void Footer() {
        ++m_page;
        m_p.save();
        m_p.setFont(DocFont(8));
        m_p.setPen(QPen(Qt::black, 0.5));
        const double y = m_area.bottom() - 14.0;
        m_p.drawLine(QPointF(0, y), QPointF(m_area.width(), y));
        const QRectF r(0, y + 2, m_area.width(), 12);
        m_p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, m_footer);
        m_p.drawText(r, Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Page %1 of %2").arg(m_page).arg(m_total));
        m_p.restore();
    }
    void Next() {
        Footer();
        m_pdf.newPage();
        m_y = 0;
    }

    void Text(const QString& text, const QFont& font, double indent = 0.0) {
        m_p.setPen(Qt::black);
        m_p.setFont(font);
        const QFontMetricsF fm(font, &m_pdf);
        m_p.drawText(QPointF(indent, m_y + fm.ascent()), text);
        m_y += fm.lineSpacing();
    }
    // A row of cells at the given x offsets.
    void Row(const std::vector<QString>& cells, const std::vector<double>& at, const QFont& font) {
        m_p.setPen(Qt::black);
        m_p.setFont(font);
        const QFontMetricsF fm(font, &m_pdf);
        for (std::size_t i = 0; i < cells.size() && i < at.size(); ++i)
            m_p.drawText(QPointF(at[i], m_y + fm.ascent()), cells[i]);
        m_y += fm.lineSpacing() + 1.0;
    }
    // text cut to the width left after indent, "..." where it was cut.
    QString Elided(const QString& text, const QFont& font, double indent) const {
        const QFontMetricsF fm(font, &m_pdf);
        return fm.elidedText(text, Qt::ElideRight, m_area.width() - indent);
    }
    // A bold label and its value (cut to the page) on one line, the value
    // at 150 pt: the first pages' header blocks.
    void LabelLine(const QString& label, const QString& value) {
        const std::vector<double> at{0, 150};
        const QFont bold = DocFont(10, true), plain = DocFont(10);
        const double y = m_y;
        Row({label, QString()}, at, bold);
        m_y = y;
        Row({QString(), Elided(value, plain, at[1])}, at, plain);
    }
    void Rule() {
        m_p.setPen(QPen(Qt::black, 0.5));
        m_p.drawLine(QPointF(0, m_y), QPointF(m_area.width(), m_y));
        m_y += 4.0;
    }

  private:
    QPdfWriter& m_pdf;
    QPainter& m_p;
    int m_total;
    int m_page = 0;
    QString m_footer;
    QRectF m_area;
    double m_y;
};

// "P-17, MH1 to MH2"; empty when the details name none of them.
QString PipeAndNodes(const survey::SurveyDetails& d);
// The details as label and value lines, only those with something to say.
void DetailsBlock(const survey::SurveyDetails& d,
                  const std::function<void(const QString&, const QString&)>& line);

// The drawing of one kept scan with its figures, from top, height high.
void DrawSection(Pages& pg, const ReportCollector& survey, const WorstScan& w,
                 const analysis::Findings& found, double top, double height);

} // namespace reportpage
