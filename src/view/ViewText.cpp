#include "view/ViewText.h"

#include <QFontMetrics>
#include <QPainter>

QColor ColourFromColorRef(std::uint32_t colorRef) {
    return QColor(static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
                  static_cast<int>((colorRef >> 16) & 0xFF));
}

void DrawTextOnBox(QPainter& painter, int x, int y, const QString& text, const QFont& font,
                   const QColor& colour, const QColor& background) {
    if (text.isEmpty()) return;
    const QFontMetrics metrics(font);
    painter.fillRect(x, y, metrics.horizontalAdvance(text), metrics.height(), background);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(x, y + metrics.ascent(), text);
}
