// The texts of the main window's value panes, worked out from the document.
#pragma once

#include <string>

#include "view/ViewGeometry.h"

class CTubescanDoc;

struct StatusPaneTexts {
    std::string pitch, roll, distance;
    std::string horizontal, vertical, range, bearing;
    std::string dateTime;
};

// The caller holds doc.PingMutex() when the acquisition thread may be writing
// the attitude averages. cursor: the view's read-outs.
StatusPaneTexts FormatStatusPanes(const CTubescanDoc& doc, const CursorValues& cursor);

// A cursor distance (metres) in the operator's units: 0 metres "%.3f m",
// 1 feet "%.2f '", 2 inches "%.1f ''".
std::string FormatCursorLength(double metres, int units);
