// The view's overlay layers: the pipe shape and the notes and measurement
// lines. Shapes, lines and crosses are drawn without smoothing, in exactly the
// settings' colours, so what the operator measures on the screen is what the
// settings say.
#pragma once

#include <cstdint>

#include <QColor>

class CTubescanView;
class QPainter;

// A settings colour (0x00BBGGRR) as a Qt colour.
inline QColor ColourOfRef(std::uint32_t ref) {
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

// Circle, horse-shoe or irregular circle in the pipe-shape colour.
void PaintPipeShape(QPainter& painter, const CTubescanView& view);
// Notes (with the caret while typing) and lines with their crosses and labels.
void PaintAnnotations(QPainter& painter, const CTubescanView& view);
