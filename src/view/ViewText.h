// Drawing helpers the picture's layers share: colours given as 0x00BBGGRR
// values and texts placed by the top-left corner of their cell on an opaque
// box, which is how every text over the sonar picture stays readable.
#pragma once

#include <cstdint>

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;

QColor ColourFromColorRef(std::uint32_t colorRef);

// The text's cell (its advance wide, the font's height high) is filled with
// `background`, then the text is written in `colour`. Text is smoothed.
void DrawTextOnBox(QPainter& painter, int x, int y, const QString& text, const QFont& font,
                   const QColor& colour, const QColor& background);
