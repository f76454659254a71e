#include <gtest/gtest.h>

#include <QTest>

#include "doc/TubescanDoc.h"
#include "view/TubescanView.h"

namespace {

constexpr QRgb kImageColour = 0xFF0A141E; // R 10, G 20, B 30
constexpr QRgb kBackground = 0xFF800000;  // COLORREF 0x000080
constexpr QRgb kScanLine = 0xFF787800;

// A view over a document whose whole picture is one known colour.
struct RenderedView {
    CTubescanDoc doc;
    CTubescanView view{&doc};

    RenderedView(int width = 800, int height = 600) {
        doc.Frame().m_imageWidth = doc.Frame().m_imageHeight = kImageSize;
        doc.Frame().m_image.resize(static_cast<std::size_t>(kImageSize) * kImageSize * 3);
        for (std::size_t i = 0; i < doc.Frame().m_image.size(); i += 3) {
            doc.Frame().m_image[i] = 30; // blue, green, red in the buffer
            doc.Frame().m_image[i + 1] = 20;
            doc.Frame().m_image[i + 2] = 10;
        }
        doc.Settings().m_bkColor = 0x000080;
        doc.Run().m_scanDirection = 1; // no look-ahead step
        doc.Frame().m_beamAngle = 0.0;
        SetSector(0, 30);
        view.resize(width, height);
        view.show();
        QApplication::processEvents();
    }
    void SetSector(int trainBearing, std::uint8_t code) {
        doc.Run().m_trainBearing = trainBearing;
        doc.SetCommandByte(headproto::kCmdSectorWidth, code);
    }
    QRgb At(int x, int y) {
        view.ComposeBackBuffer();
        return view.BackBuffer().pixel(x, y);
    }
};

} // namespace

TEST(ViewRender, WedgeShowsThePictureAndTheBackgroundElsewhere) {
    RenderedView v;
    ASSERT_EQ(v.view.ClientWidth(), 800);
    // Train 0, 90 degree sector around straight up from (400, 300).
    EXPECT_EQ(v.At(410, 120), kImageColour);
    EXPECT_EQ(v.At(350, 240), kImageColour); // 40 degrees left of up
    EXPECT_EQ(v.At(320, 240), kBackground);  // 53 degrees left of up
    EXPECT_EQ(v.At(400, 450), kBackground);
    EXPECT_EQ(v.At(150, 300), kBackground);

    // Train 90: the wedge points right.
    v.SetSector(90, 30);
    EXPECT_EQ(v.At(600, 300), kImageColour);
    EXPECT_EQ(v.At(410, 120), kBackground);

    // A full circle shows the picture all round.
    v.SetSector(0, 120);
    for (auto [x, y] : {std::pair{410, 120}, {600, 300}, {400, 450}, {150, 300}})
        EXPECT_EQ(v.At(x, y), kImageColour) << x << "," << y;
}

TEST(ViewRender, PictureIsPlacedUnscaledAroundTheOriginAtEveryZoom) {
    RenderedView v;
    v.SetSector(0, 120);
    v.doc.Settings().m_zoom = 0.5; // buffer from (275, 175) on
    EXPECT_EQ(v.At(276, 300), kImageColour);
    EXPECT_EQ(v.At(274, 300), kBackground);
    // A pixel of the buffer lands where the placement puts it.
    const std::size_t at = (static_cast<std::size_t>(10) * kImageSize + 20) * 3;
    v.doc.Frame().m_image[at] = 0xFF;
    v.doc.Frame().m_image[at + 1] = 0xFF;
    v.doc.Frame().m_image[at + 2] = 0xFF;
    v.doc.Settings().m_zoom =
        3.0; // buffer from (400 - 750, 300 - 750): pixel (20, 10) is off screen
    EXPECT_EQ(v.At(410, 120), kImageColour);
    v.doc.Settings().m_zoom = 1.0; // buffer from (150, 50): pixel (20, 10) at (170, 60)
    EXPECT_EQ(v.At(170, 60), 0xFFFFFFFFu);
    EXPECT_EQ(v.At(171, 60), kImageColour);
}

TEST(ViewRender, ScanLineColourBarAndHeadIcon) {
    RenderedView v;
    v.SetSector(0, 120);
    // Straight up, one picture radius long.
    EXPECT_EQ(v.At(400, 50), kScanLine);
    EXPECT_EQ(v.At(400, 200), kScanLine);
    EXPECT_EQ(v.At(400, 49), kBackground);
    v.doc.Frame().m_beamAngle = 90.0;
    v.doc.Settings().m_zoom = 0.5;
    EXPECT_EQ(v.At(520, 300), kScanLine);
    EXPECT_NE(v.At(528, 300), kScanLine);

    // Colour bar: 8 pixels wide at the right, strongest colour on top, from
    // the table in use.
    const auto entry = [&](int level) {
        const ColorEntry c = v.doc.ColourTables().Entry(v.doc.Settings().m_colorTable, level);
        return qRgb(c.red, c.green, c.blue);
    };
    for (int table : {0, 4, 8}) {
        v.doc.Settings().m_colorTable = table;
        EXPECT_EQ(v.At(790, 0), entry(117)) << table;
        EXPECT_EQ(v.At(797, 0), entry(117)) << table;
        EXPECT_EQ(v.At(790, 599), entry(1)) << table;
        EXPECT_EQ(v.At(794, 300), entry(59)) << table;
    }
    EXPECT_NE(entry(117), entry(1));
    EXPECT_NE(v.At(789, 0), entry(117));
    EXPECT_NE(v.At(798, 0), entry(117));

    // Aft transducer: a red ball; forward: grey.
    v.doc.Settings().m_xdcrFwdAft = 0;
    v.doc.Settings().m_zeroUpDown = 0;
    const QRgb aft = v.At(750 + 16, 550 + 13);
    EXPECT_GT(qRed(aft), qGreen(aft) + 60);
    v.doc.Settings().m_xdcrFwdAft = 1;
    const QRgb forward = v.At(750 + 16, 550 + 13);
    EXPECT_NEAR(qRed(forward), qGreen(forward), 10);
}

TEST(ViewRender, DraggingPansAndRestoreImageCentresZoomsAndClears) {
    RenderedView v;
    v.SetSector(0, 30);
    QTest::mousePress(&v.view, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(&v.view, QPoint(130, 120));
    QTest::mouseRelease(&v.view, Qt::LeftButton, {}, QPoint(130, 120));
    EXPECT_EQ(v.view.Pan(), QPoint(30, 20));
    v.view.ComposeBackBuffer();
    EXPECT_EQ(v.view.Origin(), QPoint(430, 320));
    // The wedge moved with the picture: these were outside it before the drag.
    EXPECT_EQ(v.At(470, 265), kImageColour);
    EXPECT_EQ(v.At(440, 290), kImageColour);
    EXPECT_EQ(v.At(370, 300), kBackground);
    // A second drag starts from where the first ended.
    QTest::mousePress(&v.view, Qt::LeftButton, {}, QPoint(200, 200));
    QTest::mouseMove(&v.view, QPoint(190, 200));
    QTest::mouseRelease(&v.view, Qt::LeftButton, {}, QPoint(190, 200));
    EXPECT_EQ(v.view.Pan(), QPoint(20, 20));

    v.doc.Settings().m_zoom = 2.0;
    v.doc.Display().m_recentreImage = 1;
    EXPECT_EQ(v.At(410, 120), kBackground); // cleared to the background colour
    EXPECT_EQ(v.view.Pan(), QPoint(0, 0));
    EXPECT_DOUBLE_EQ(v.doc.Settings().m_zoom, 1.0);
    EXPECT_EQ(v.doc.Display().m_recentreImage, 0);
    EXPECT_DOUBLE_EQ(v.doc.Settings().m_circleOffsetX, 400.0);
    EXPECT_EQ(v.doc.Frame().m_image[0], 0x00); // blue, green, red of the background
    EXPECT_EQ(v.doc.Frame().m_image[2], 0x80);
}

TEST(ViewRender, EmptyClientKeepsSizeAndMouseMovesSetTheReadouts) {
    RenderedView v;
    v.view.resize(0, 0);
    QApplication::processEvents();
    EXPECT_EQ(v.view.ClientWidth(), 800);
    EXPECT_EQ(v.view.BackBuffer().size(), QSize(800, 600));
    v.view.resize(800, 600);
    QApplication::processEvents();

    v.doc.Settings().m_range = 2.0;
    v.view.ComposeBackBuffer();
    int readouts = 0;
    QObject::connect(&v.view, &CTubescanView::cursorReadoutsChanged, [&] { ++readouts; });
    QTest::mouseMove(&v.view, QPoint(525, 300));
    EXPECT_EQ(readouts, 1);
    EXPECT_DOUBLE_EQ(v.view.Cursor().x, 1.0);
    EXPECT_DOUBLE_EQ(v.view.Cursor().range, 1.0);
    EXPECT_DOUBLE_EQ(v.view.Cursor().bearing, 90.0);
}
