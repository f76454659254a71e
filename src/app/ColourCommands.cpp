#include "app/ColourCommands.h"

#include <QColorDialog>

#include "doc/CommandIds.h"
#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"

namespace {

constexpr COLORREF kCustomColours[16] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFFFF00, 0x009B9B,
                                         0xFF00FF, 0xFF96FF, 0xFA9B32, 0x9BFF96, 0x0096FF, 0x00FF96,
                                         0x96FF64, 0xFF6496, 0xFFFFFF, 0x000000};

QColor ToQColor(COLORREF c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

COLORREF ToColorRef(const QColor& c) {
    return static_cast<COLORREF>(c.red()) | (static_cast<COLORREF>(c.green()) << 8) |
           (static_cast<COLORREF>(c.blue()) << 16);
}

} // namespace

std::uint32_t ChooseColour(QWidget* owner, std::uint32_t initial) {
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, ToQColor(kCustomColours[i]));
    const QColor chosen = QColorDialog::getColor(ToQColor(initial), owner);
    return chosen.isValid() ? ToColorRef(chosen) : initial;
}

void AddColourCommands(CommandMap& map, CTubescanDoc& doc, QWidget* owner) {
    const std::pair<int, COLORREF SonarSettings::*> plain[] = {
        {cmd::kPointsColor, &SonarSettings::m_pointsColor},
        {cmd::kLineColor, &SonarSettings::m_circleColor},
        {cmd::kTextColor, &SonarSettings::m_textColor},
        {cmd::kMeasureLineColor, &SonarSettings::m_lineColor},
        {cmd::kGridColor, &SonarSettings::m_gridColor},
    };
    for (const auto& [id, field] : plain) {
        map.Add(id, {[&doc, owner, field = field](int) {
                         doc.Settings().*field = ChooseColour(owner, doc.Settings().*field);
                     },
                     {}});
    }
    map.Add(cmd::kBackgroundColor, {[&doc, owner](int) {
                                        const COLORREF chosen =
                                            ChooseColour(owner, doc.Settings().m_bkColor);
                                        if (chosen == doc.Settings().m_bkColor) return;
                                        doc.Settings().m_bkColor = chosen;
                                        doc.ClearImage();
                                    },
                                    {}});
}
