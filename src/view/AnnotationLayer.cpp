#include <QFontMetrics>
#include <QPainter>

#include "doc/TubescanDoc.h"
#include "view/OverlayGeometry.h"
#include "view/OverlayLayers.h"
#include "view/TubescanView.h"
#include "view/ViewFonts.h"

namespace {

// Text with its cell's top-left corner at (x, y), as the notes are placed.
void DrawNoteText(QPainter& painter, const QFontMetrics& metrics, ViewPoint at,
                  const QString& text) {
    painter.drawText(at.x, at.y + metrics.ascent(), text);
}

void DrawCross(QPainter& painter, ViewPoint p) {
    painter.drawLine(p.x - 5, p.y, p.x + 5, p.y);
    painter.drawLine(p.x, p.y - 5, p.x, p.y + 5);
}

} // namespace

void PaintAnnotations(QPainter& painter, const CTubescanView& view) {
    const CTubescanDoc* doc = view.Document();
    if (!doc) return;
    const AnnotationBook& book = view.NotesAndLines();
    const double zoom = doc->Settings().m_zoom;
    const ViewPoint origin{view.Origin().x(), view.Origin().y()};
    const int fontHeight = NoteFontHeight(doc->Settings().m_textSize);
    const QFont font = ArialFont(fontHeight);
    const QFontMetrics metrics(font);
    painter.setFont(font);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QPen textPen(ColourOfRef(doc->Settings().m_textColor));
    const QPen linePen(ColourOfRef(doc->Settings().m_lineColor), 1, Qt::SolidLine);
    const bool linesShown = LinesShown(book.Count(), doc->Display().m_measureMode);
    const ViewAnnotation* current = book.Current();

    for (int i = 0; i < book.ShownCount(); ++i) {
        const ViewAnnotation& record = book.All()[static_cast<std::size_t>(i)];
        if (record.kind == kAnnotationNote) {
            QString text = QString::fromStdString(record.text);
            if (book.TextEntry() && &record == current && book.CaretVisible())
                text += QLatin1Char('|');
            painter.setPen(textPen);
            DrawNoteText(painter, metrics, RecordToScreen(record.x1, record.y1, zoom, origin),
                         text);
        } else if (record.kind == kAnnotationLine && linesShown) {
            const ViewPoint a = RecordToScreen(record.x1, record.y1, zoom, origin);
            const ViewPoint b = RecordToScreen(record.x2, record.y2, zoom, origin);
            painter.setPen(linePen);
            DrawCross(painter, a);
            DrawCross(painter, b);
            painter.drawLine(a.x, a.y, b.x, b.y);
            // The label sits just above the line's end, in record units so
            // it keeps its place on the picture.
            const ViewPoint label = RecordToScreen(
                record.x2 - 3.0F, record.y2 - static_cast<float>(fontHeight + 5), zoom, origin);
            painter.setPen(textPen);
            DrawNoteText(painter, metrics, label, QString::fromStdString(record.text));
        }
    }
}
