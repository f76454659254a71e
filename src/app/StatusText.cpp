#include "app/StatusText.h"

#include "doc/TubescanDoc.h"
#include "format/NumberText.h"

namespace {
constexpr double kMetresPerFoot = 0.3048;
constexpr const char* kNotAvailable = "n/a";

std::string Degrees(double value) {
    return FormatFixed(value, 1) + " deg.";
}
} // namespace

std::string FormatCursorLength(double metres, int units) {
    switch (units) {
    case 1:
        return FormatFixed(metres / kMetresPerFoot, 2) + " '";
    case 2:
        return FormatFixed(metres * 12.0 / kMetresPerFoot, 1) + " ''";
    default:
        return FormatFixed(metres, 3) + " m";
    }
}

StatusPaneTexts FormatStatusPanes(const CTubescanDoc& doc, const CursorValues& cursor) {
    StatusPaneTexts t;
    t.pitch = doc.Frame().m_pitchValid ? Degrees(doc.Frame().m_pitchAvg) : kNotAvailable;
    t.roll = doc.Frame().m_rollValid ? Degrees(doc.Frame().m_rollAvg) : kNotAvailable;
    const ExternalSensors sensors = doc.Sensors();
    if (!sensors.distanceValid) {
        t.distance = kNotAvailable;
    } else if (doc.Settings().m_units == 1 || doc.Settings().m_units == 2) {
        // Only the cursor panes go down to inches; the distance stays in feet.
        t.distance = FormatFixed(sensors.distance / kMetresPerFoot, 2) + " '";
    } else {
        t.distance = FormatFixed(sensors.distance, 2) + " m";
    }
    t.horizontal = FormatCursorLength(cursor.x, doc.Settings().m_units);
    t.vertical = FormatCursorLength(cursor.y, doc.Settings().m_units);
    t.range = FormatCursorLength(cursor.range, doc.Settings().m_units);
    t.bearing =
        doc.Settings().m_sectorMode == 2 ? std::string(kNotAvailable) : Degrees(cursor.bearing);
    t.dateTime = doc.Frame().m_date + "   " + doc.Frame().m_time;
    return t;
}
