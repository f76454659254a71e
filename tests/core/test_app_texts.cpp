#include <gtest/gtest.h>

#include <set>

#include "app/MenuLayout.h"
#include "app/StatusText.h"
#include "doc/TubescanDoc.h"

TEST(StatusText, PanesInMetresFeetAndInches) {
    CTubescanDoc doc;
    doc.Frame().m_pitchValid = 1;
    doc.Frame().m_pitchAvg = -2.345;
    doc.Frame().m_rollValid = 0;
    doc.SetSensors({.distance = 3.048, .distanceValid = 1});
    const CursorValues cursor{0.3048, -1.0, 1.23456, 271.25};
    doc.Frame().m_date = "08-DEC-2026";
    doc.Frame().m_time = "23:51:07";

    doc.Settings().m_units = 0;
    StatusPaneTexts t = FormatStatusPanes(doc, cursor);
    EXPECT_EQ(t.pitch, "-2.3 deg.");
    EXPECT_EQ(t.roll, "n/a");
    EXPECT_EQ(t.distance, "3.05 m");
    EXPECT_EQ(t.horizontal, "0.305 m");
    EXPECT_EQ(t.vertical, "-1.000 m");
    EXPECT_EQ(t.range, "1.235 m");
    EXPECT_EQ(t.bearing, "271.2 deg.");
    EXPECT_EQ(t.dateTime, "08-DEC-2026   23:51:07");

    doc.Settings().m_units = 1;
    t = FormatStatusPanes(doc, cursor);
    EXPECT_EQ(t.distance, "10.00 '");
    EXPECT_EQ(t.horizontal, "1.00 '");

    // Inches reach only the cursor panes; the distance stays in feet.
    doc.Settings().m_units = 2;
    t = FormatStatusPanes(doc, cursor);
    EXPECT_EQ(t.distance, "10.00 '");
    EXPECT_EQ(t.horizontal, "12.0 ''");
    EXPECT_EQ(t.vertical, "-39.4 ''");

    ExternalSensors sensors = doc.Sensors();
    sensors.distanceValid = 0;
    doc.SetSensors(sensors);
    doc.Settings().m_sectorMode = 2;
    t = FormatStatusPanes(doc, cursor);
    EXPECT_EQ(t.distance, "n/a");
    EXPECT_EQ(t.bearing, "n/a");
}

TEST(MenuLayout, ToolBarAcceleratorsAndMenuShareOneSetOfCommands) {
    const std::vector<int> ids = MainMenuCommandIds();
    // Two commands sit in two places (View and System); every other id once.
    std::multiset<int> counted(ids.begin(), ids.end());
    for (int id : counted)
        EXPECT_LE(counted.count(id), id == 32799 || id == 32824 ? 2u : 1u) << id;
    EXPECT_EQ(ids.front(), 32804);
    EXPECT_EQ(ids.back(), 57664);
    EXPECT_EQ(ToolBarCommands().size(), 22u);
    EXPECT_EQ(ToolBarCommands().front(), 32804);
    EXPECT_EQ(ToolBarCommands().back(), 32847);
    EXPECT_EQ(CommandPrompt(32874), "Increase Range");
    EXPECT_EQ(CommandPrompt(32804), "Real Time Data Acquisition");
    for (int id : ToolBarCommands())
        EXPECT_FALSE(CommandPrompt(id).empty()) << id;
    EXPECT_EQ(StripMnemonic("E&xit"), "Exit");
    EXPECT_EQ(StripMnemonic("Salt && Pepper"), "Salt & Pepper");
}
