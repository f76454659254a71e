// The grid, status-text and attitude layers, read back pixel by pixel from
// the composed back buffer of an 800 x 600 view (centre (400, 300)).
#include <gtest/gtest.h>

#include <QApplication>

#include "../support/LinkStand.h"
#include "doc/TubescanDoc.h"
#include "view/AttitudeGeometry.h"
#include "view/AttitudeLayer.h"
#include "view/GridLayer.h"
#include "view/StatusLayout.h"
#include "view/StatusTextLayer.h"
#include "view/TubescanView.h"

namespace {

QRgb Rgb(COLORREF c) {
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

constexpr COLORREF kGrid = 0x001EDC0A; // RGB(10, 220, 30)
const QRgb kGridRgb = Rgb(kGrid);
const QRgb kCentreLineRgb = Rgb(kGridCentreLineColour);
const QRgb kPicture = qRgb(0, 0, 0); // the image buffer covers the whole client

struct LayeredView {
    CTubescanDoc doc;
    LinkStand link{doc, LinkState::Up}; // no link status box unless a test asks for it
    CTubescanView view{&doc};

    LayeredView() {
        doc.Frame().m_imageWidth = doc.Frame().m_imageHeight = kImageSize;
        doc.Frame().m_image.assign(static_cast<std::size_t>(kImageSize) * kImageSize * 3, 0);
        doc.Settings().m_bkColor = 0x00000040;
        doc.Settings().m_gridColor = kGrid;
        doc.Settings().m_viewRangeMark = 0;
        doc.Settings().m_displayPRD = 0;
        doc.Run().m_scanDirection = 1; // the scan line points straight down, out of the way
        doc.Frame().m_beamAngle = 180.0;
        doc.SetCommandByte(headproto::kCmdSectorWidth, 120);
        InstallGridLayer(view);
        InstallAttitudeLayer(view);
        InstallStatusTextLayer(view);
        view.resize(800, 600);
        view.show();
        QApplication::processEvents();
    }
    const QImage& Compose() {
        view.ComposeBackBuffer();
        return view.BackBuffer();
    }
    QRgb At(int x, int y) { return Compose().pixel(x, y); }
    // The colour within one pixel of (x, y): arcs and slanted lines may round either way.
    bool Near(int x, int y, QRgb colour) {
        view.ComposeBackBuffer();
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (view.BackBuffer().pixel(x + dx, y + dy) == colour) return true;
        return false;
    }
};

} // namespace

TEST(ViewLayers, RectangleGridFollowsUnitsSoundSpeedAndStyle) {
    LayeredView v;
    v.doc.Settings().m_gridType = 1;
    const QRgb cross = Rgb(CrossColour(kGrid));
    // Metres: eleven lines 50 pixels apart from 50 to 550, the cross through the centre.
    for (int y : {50, 100, 550})
        EXPECT_EQ(v.At(160, y), kGridRgb) << y;
    EXPECT_EQ(v.At(200, 125), kGridRgb);
    EXPECT_NE(v.At(160, 125), kGridRgb);
    EXPECT_EQ(v.At(160, 300), cross);
    EXPECT_EQ(v.At(400, 125), cross);
    EXPECT_NE(v.At(100, 100), kGridRgb); // outside +-250

    // Feet: divisions of 3 x 0.3048 / 5 of the half size, same extent.
    v.doc.Settings().m_units = 2;
    for (int y : {71, 117, 528})
        EXPECT_EQ(v.At(160, y), kGridRgb) << y;
    EXPECT_NE(v.At(160, 100), kGridRgb);
    EXPECT_EQ(v.At(217, 60), kGridRgb);

    // 1400 m/s: the grid grows past the picture radius.
    v.doc.Settings().m_units = 0;
    v.doc.Settings().m_soundVelocity = 1400.0;
    for (int y : {32, 85})
        EXPECT_EQ(v.At(140, y), kGridRgb) << y;
    EXPECT_NE(v.At(140, 100), kGridRgb);

    // Dotted and dashed lines leave gaps in proportion to their patterns.
    v.doc.Settings().m_soundVelocity = 1500.0;
    for (auto [style, low, high] : {std::tuple{1, 12, 18}, {2, 20, 26}}) {
        v.doc.Settings().m_gridStyle = style;
        v.view.ComposeBackBuffer();
        int on = 0;
        for (int x = 160; x < 190; ++x)
            on += v.view.BackBuffer().pixel(x, 100) == kGridRgb;
        EXPECT_GE(on, low) << style;
        EXPECT_LE(on, high) << style;
    }
}

TEST(ViewLayers, CrossColourRaisesGreenOnlyAndCapsIt) {
    EXPECT_EQ(CrossColour(0x00102030), 0x00105230u);
    EXPECT_EQ(CrossColour(0x0000CDFF), 0x0000FFFFu); // green 205 reaches 255 exactly
    EXPECT_EQ(CrossColour(0x0000DCFF), 0x0000FFFFu); // a yellow grid keeps a yellow cross
    EXPECT_EQ(CrossColour(0x00FFFFFF), 0x00FFFFFFu);

    LayeredView v;
    v.doc.Settings().m_gridType = 1;
    v.doc.Settings().m_gridColor = 0x0000DCFF;
    EXPECT_EQ(v.At(160, 300), qRgb(255, 255, 0));
}

TEST(ViewLayers, PolarGridArcsAtTheirRadiiAndCentreLines) {
    LayeredView v;
    v.doc.Settings().m_gridType = 2;
    // Full circle: rings every 50 pixels and both diameters.
    EXPECT_TRUE(v.Near(506, 194, kGridRgb));  // radius 150 at 45 degrees
    EXPECT_TRUE(v.Near(294, 406, kGridRgb));  // and at 225
    EXPECT_FALSE(v.Near(488, 212, kGridRgb)); // radius 125: between rings
    EXPECT_EQ(v.At(400, 125), kCentreLineRgb);
    EXPECT_EQ(v.At(575, 300), kCentreLineRgb);
    EXPECT_EQ(v.At(225, 300), kCentreLineRgb);

    // A 90 degree sector straight up: arcs only inside it, its edges drawn,
    // one centre line up the middle.
    v.doc.SetCommandByte(headproto::kCmdSectorWidth, 30);
    EXPECT_TRUE(v.Near(383, 151, kGridRgb));  // radius 150, 6.5 degrees left of up
    EXPECT_FALSE(v.Near(250, 300, kGridRgb)); // radius 150 pointing left
    EXPECT_TRUE(v.Near(524, 176, kGridRgb));  // right edge at radius 175
    EXPECT_TRUE(v.Near(276, 176, kGridRgb));  // left edge
    EXPECT_EQ(v.At(400, 125), kCentreLineRgb);
    EXPECT_NE(v.At(575, 300), kCentreLineRgb);

    // Train 90: the sector and its centre line turn to the right.
    v.doc.Run().m_trainBearing = 90;
    EXPECT_EQ(v.At(575, 300), kCentreLineRgb);
    EXPECT_TRUE(v.Near(541, 249, kGridRgb)); // radius 150, 20 degrees above right
    EXPECT_FALSE(v.Near(400, 150, kGridRgb));
}

TEST(ViewLayers, LinkStatusBoxBlinksAndAlternatesItsMessage) {
    LayeredView v;
    const QRgb red = Rgb(kStatusRed), white = Rgb(kNearWhite), back = kPicture;
    v.link.state = LinkState::Down;
    v.view.SetStatusBlink(1);
    // "No Connection": the frame starts at x = 314.
    const QImage& image = v.Compose();
    EXPECT_EQ(image.pixel(314, 590), white);
    EXPECT_EQ(image.pixel(320, 596), red);
    EXPECT_EQ(image.pixel(311, 590), back);
    EXPECT_EQ(v.view.ShowAddress(), 1);
    // The next shown frame has the address, its frame from 309; then back again.
    v.Compose();
    EXPECT_EQ(image.pixel(309, 590), white);
    EXPECT_EQ(image.pixel(311, 590), red);
    EXPECT_EQ(v.At(311, 590), back);
    // The watchdog's blink hides the box without moving the alternation on.
    v.view.SetStatusBlink(0);
    EXPECT_EQ(v.At(320, 596), back);
    EXPECT_EQ(v.view.ShowAddress(), 1);
    // A repaint that redraws all restarts the view's alternation and leaves
    // the watchdog's blink alone.
    v.view.SetStatusBlink(1);
    v.doc.Display().m_redrawAll = 1;
    EXPECT_EQ(v.At(311, 590), back);
    EXPECT_EQ(v.view.StatusBlink(), 1);
    // Busy with the mouse: no box.
    v.doc.Display().m_measureMode = 1;
    EXPECT_EQ(v.At(320, 596), back);
    v.doc.Display().m_measureMode = 0;

    // Connected but the head is silent: the wider box, frame from 289 to 585.
    v.link.state = LinkState::Up;
    v.link.replyPending = true;
    v.doc.Settings().m_ipAddress = "127.0.0.1";
    v.Compose();
    EXPECT_EQ(image.pixel(292, 596), red);
    EXPECT_EQ(image.pixel(581, 596), red);
    EXPECT_EQ(image.pixel(584, 596), white);
    v.link.replyPending = false;
    EXPECT_EQ(v.At(292, 596), back);
}

TEST(ViewLayers, IndicatorWaterLineHorizonAndDisplaySwitch) {
    LayeredView v;
    const int h = 600;
    const QRgb water = Rgb(kWaterColour), ground = Rgb(kGroundColour);
    v.doc.Frame().m_pitchValid = v.doc.Frame().m_rollValid = 1;
    EXPECT_NE(v.At(10, h - 345), Rgb(kPanelColour)); // "Display PRD" off: no panel
    v.doc.Settings().m_displayPRD = 1;
    EXPECT_EQ(v.At(10, h - 345), Rgb(kPanelColour));
    EXPECT_EQ(v.At(83, h - 338), Rgb(kRingColour));

    // Pitch 0: the water line through the centre; a raised nose lowers it.
    const auto pitchColours = [&] {
        const QImage& image = v.Compose();
        return std::tuple{image.pixel(83, h - 290), image.pixel(83, h - 262),
                          image.pixel(83, h - 250), image.pixel(83, h - 240)};
    };
    v.doc.Frame().m_pitchAvg = 0.0;
    EXPECT_EQ(pitchColours(), std::tuple(water, ground, ground, ground));
    v.doc.Frame().m_pitchAvg = 45.0;
    EXPECT_EQ(pitchColours(), std::tuple(water, water, ground, ground));
    v.doc.Frame().m_pitchAvg = 90.0;
    EXPECT_EQ(pitchColours(), std::tuple(water, water, water, water));
    v.doc.Frame().m_pitchAvg = -90.0;
    EXPECT_EQ(v.At(83, h - 326), ground);
    // A sensor pitch far beyond 90 draws as 90 (no NaN from the chord).
    v.doc.Settings().m_useExtPRD = 1;
    ExternalSensors sensors = v.doc.Sensors();
    sensors.pitch = 150.0;
    sensors.pitchValid = 1;
    v.doc.SetSensors(sensors);
    EXPECT_EQ(pitchColours(), std::tuple(water, water, water, water));

    // Roll from the chosen source: 30 degrees raises the horizon's left end
    // and turns the marks with it.
    const int c = h - 123;
    v.doc.Frame().m_rollAvg = 30.0; // the head's, not used while the sensor is chosen
    sensors.roll = 0.0;
    v.doc.SetSensors(sensors);
    const QImage& image = v.Compose();
    EXPECT_EQ(image.pixel(103, c + 5), ground);
    EXPECT_EQ(image.pixel(63, c - 5), water);
    EXPECT_EQ(image.pixel(100, c + 14), Rgb(kTickColour)); // 30 sin 30 truncates to 14
    v.doc.Settings().m_useExtPRD = 0;
    v.Compose();
    EXPECT_EQ(image.pixel(103, c + 5), water);
    EXPECT_EQ(image.pixel(63, c - 5), ground);
    EXPECT_NE(image.pixel(100, c + 14), Rgb(kTickColour));
}
