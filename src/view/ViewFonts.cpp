#include "view/ViewFonts.h"

#include <cmath>
#include <cstdlib>

namespace {

// Ascent plus descent of Arial and Liberation Sans in em units
// (1854 + 434 over 2048 units per em).
constexpr double kCellPerEm = (1854.0 + 434.0) / 2048.0;

} // namespace

int EmPixelsForWindowsHeight(int windowsHeight) {
    if (windowsHeight < 0) return std::abs(windowsHeight);
    if (windowsHeight == 0) return 16; // the system's default height
    const int px = static_cast<int>(std::lround(windowsHeight / kCellPerEm));
    return px < 1 ? 1 : px;
}

QFont ArialFont(int windowsHeight, int weight) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(EmPixelsForWindowsHeight(windowsHeight));
    font.setWeight(weight >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}
