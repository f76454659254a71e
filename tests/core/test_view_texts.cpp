// The texts of the status layer and the indicator: what they say, where and
// in which colour.
#include <gtest/gtest.h>

#include <algorithm>

#include "view/AttitudeGeometry.h"
#include "view/StatusLayout.h"

namespace {

// The text placed at (x, y), or nullptr.
const PlacedText* TextAt(const StatusPicture& p, int x, int y) {
    const auto it = std::find_if(p.texts.begin(), p.texts.end(),
                                 [&](const PlacedText& t) { return t.x == x && t.y == y; });
    return it == p.texts.end() ? nullptr : &*it;
}

std::string Said(const StatusPicture& p, int x, int y) {
    const PlacedText* t = TextAt(p, x, y);
    return t ? t->text : "<none>";
}

StatusPicture Compose(const StatusInput& in) {
    LinkBlink blink;
    return ComposeStatusTexts(in, blink);
}

StatusInput Live() {
    StatusInput in;
    in.clientWidth = 800;
    in.clientHeight = 600;
    in.linkState = 1;
    in.viewRangeMark = 1;
    in.gridType = 1;
    in.gain = 6;
    return in;
}

} // namespace

TEST(StatusTexts, RangeMarksUseTheClampedTableEntryAndTheUnits) {
    StatusInput in = Live();
    in.rangeIndex = 0;
    EXPECT_EQ(Said(Compose(in), 5, 5), "0.125 m");
    EXPECT_EQ(Said(Compose(in), 5, 35), "2.25 MHz");
    EXPECT_EQ(Said(Compose(in), 100, 8), "(0.025 m/div)");
    EXPECT_EQ(Said(Compose(in), 100, 35), "(6 dB)");
    in.units = 2; // inches still show feet, as metres x 3
    EXPECT_EQ(Said(Compose(in), 5, 5), "0.375 ft");
    in.rangeIndex = 4;
    EXPECT_EQ(Said(Compose(in), 5, 5), "3.00 ft");
    EXPECT_EQ(Said(Compose(in), 100, 8), "(0.600 ft/div)");
    // A hand-edited index far out of the table shows the last entry.
    in.units = 0;
    in.rangeIndex = 200;
    EXPECT_EQ(Said(Compose(in), 5, 5), "6.00 m");
    EXPECT_EQ(Said(Compose(in), 100, 8), "(1.200 m/div)");
    in.rangeIndex = -5;
    EXPECT_EQ(Said(Compose(in), 5, 5), "0.125 m");
    // No grid: no scale per division; range marks off: none of it.
    in.gridType = 0;
    EXPECT_EQ(Said(Compose(in), 100, 8), "<none>");
    EXPECT_EQ(Said(Compose(in), 100, 35), "(6 dB)");
    in.viewRangeMark = 0;
    EXPECT_EQ(Compose(in).texts.size(), 1u); // only the operating status
}

TEST(StatusTexts, OperatingStatusWordsDotsColoursAndFileSize) {
    StatusInput in = Live();
    in.pingCount = 10; // three dots
    StatusPicture p = Compose(in);
    const PlacedText* t = TextAt(p, 625, 5);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->text, "Not Recording...");
    EXPECT_EQ(t->colour, kStatusRed);
    in.recording = 1;
    in.recordBytes = 5ull << 30; // past 4 GiB
    p = Compose(in);
    EXPECT_EQ(Said(p, 650, 5), "Recording...");
    EXPECT_EQ(Said(p, 650, 30), "5242880 K Bytes");
    in.playback = 1;
    in.pingCount = -1; // a wrapped counter still gives 0 ... 6 dots
    EXPECT_EQ(Said(Compose(in), 650, 5), "File Copying......");
    in.recording = 0;
    EXPECT_EQ(Said(Compose(in), 650, 5), "File Playing......");

    // Held: only "Held", in the colour the range marks left.
    in.hold = 1;
    p = Compose(in);
    ASSERT_NE(TextAt(p, 710, 5), nullptr);
    EXPECT_EQ(TextAt(p, 710, 5)->colour, kOrange);
    EXPECT_EQ(TextAt(p, 650, 5), nullptr);
    in.viewRangeMark = 0;
    p = Compose(in);
    ASSERT_NE(TextAt(p, 710, 5), nullptr);
    EXPECT_EQ(TextAt(p, 710, 5)->colour, kYellowOlive);
    // A conversion in progress switches the hold off.
    in.xyzConverting = 1;
    p = Compose(in);
    EXPECT_TRUE(p.clearHold);
    EXPECT_EQ(Said(p, 240, 2), "XYZ File converting.....  Please wait !");
    EXPECT_EQ(Said(p, 650, 5), "File Playing......");
}

TEST(StatusTexts, ShapeSizeInEachUnit) {
    StatusInput in = Live();
    in.displayPipeShape = 1;
    in.circleDiameter = 1.0;
    in.horseShoeWidth = 1.6;
    in.horseShoeHeight = 2.0;
    EXPECT_EQ(Said(Compose(in), 320, 550), "Circle Diameter: 1.00 m");
    in.units = 1;
    EXPECT_EQ(Said(Compose(in), 320, 550), "Circle Diameter: 3.28 '");
    in.units = 2;
    EXPECT_EQ(Said(Compose(in), 320, 550), "Circle Diameter: 39.4 ''");
    in.pipeShape = 1;
    EXPECT_EQ(Said(Compose(in), 310, 550), "Width: 63.0 '', Height: 78.7 ''");
    in.units = 0;
    EXPECT_EQ(Said(Compose(in), 310, 550), "Width: 1.60 m, Height: 2.00 m");
    in.pipeShape = 2;
    EXPECT_EQ(Compose(in).texts.size(), 5u); // range marks and status only
}

TEST(IndicatorTexts, ValuesFromTheChosenSourceOrNotAvailable) {
    AttitudeInput in;
    in.clientHeight = 600;
    AttitudePicture a = ComputeAttitude(in);
    EXPECT_EQ(a.pitchText, "P:     n/a");
    EXPECT_EQ(a.rollText, "R:     n/a");
    EXPECT_EQ(a.distanceText, "D:     n/a");

    in.pitchAvg = 12.34;
    in.pitchValid = 1;
    in.extRoll = -5.0;
    in.extRollValid = 1; // ignored: the head is the source
    in.extDistance = 1.0;
    in.extDistanceValid = 1;
    a = ComputeAttitude(in);
    EXPECT_EQ(a.pitchText, "P:   12.3 deg.");
    EXPECT_EQ(a.rollText, "R:     n/a");
    EXPECT_EQ(a.distanceText, "D:    1.0 m");
    in.useExtPRD = 1;
    in.units = 2; // inches show feet
    a = ComputeAttitude(in);
    EXPECT_EQ(a.pitchText, "P:     n/a");
    EXPECT_EQ(a.rollText, "R:   -5.0 deg.");
    EXPECT_EQ(a.distanceText, "D:    3.3 ft");
}
