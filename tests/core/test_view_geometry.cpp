#include <gtest/gtest.h>

#include "view/ViewGeometry.h"

TEST(ViewGeometry, OriginAndPlacementOfTheImageBufferFollowTheZoom) {
    EXPECT_EQ(BufferOrigin(0.5), 125);
    EXPECT_EQ(BufferOrigin(1.0), 250);
    EXPECT_EQ(BufferOrigin(1.75), 437); // trunc(875) / 2
    EXPECT_EQ(BufferOrigin(3.0), 750);
    // Placed so that the buffer's origin lands on the client centre plus pan.
    for (double zoom : {0.5, 0.75, 1.0, 1.25, 2.0, 3.0}) {
        const ViewPoint tl = ImageTopLeft(1001, 701, zoom, 7, -3);
        EXPECT_NEAR(tl.x + BufferOrigin(zoom), 1001 / 2 + 7, 1) << zoom;
        EXPECT_NEAR(tl.y + BufferOrigin(zoom), 701 / 2 - 3, 1) << zoom;
    }
    EXPECT_EQ(ImageTopLeft(800, 600, 1.0, 0, 0), (ViewPoint{150, 50}));
}

TEST(ViewGeometry, SectorWedgeIsCentredOnTheTrainBearing) {
    // Train 0, 90 degree sector: from 45 degrees left to 45 degrees right of up.
    SectorWedge w = ComputeSectorWedge({400, 300}, 0, 0, 1.0, 0, 30);
    EXPECT_EQ(w.radius, 500);
    EXPECT_DOUBLE_EQ(w.startDegrees, 45.0);
    EXPECT_DOUBLE_EQ(w.sweepDegrees, 90.0);
    EXPECT_FALSE(w.fullCircle);
    EXPECT_TRUE(InsideWedge(w, 400, 100));  // straight up
    EXPECT_TRUE(InsideWedge(w, 350, 240));  // 40 degrees left of up
    EXPECT_FALSE(InsideWedge(w, 320, 240)); // 53 degrees left of up
    EXPECT_FALSE(InsideWedge(w, 400, 450)); // down
    EXPECT_FALSE(InsideWedge(w, 600, 300)); // right

    // Train 90: the wedge turns clockwise and points right.
    w = ComputeSectorWedge({400, 300}, 0, 0, 1.0, 90, 30);
    EXPECT_TRUE(InsideWedge(w, 600, 300));
    EXPECT_FALSE(InsideWedge(w, 400, 100));
    EXPECT_FALSE(InsideWedge(w, 200, 300));

    // Code 120 is the full disc of twice the picture radius, and the pan moves it.
    w = ComputeSectorWedge({400, 300}, 20, 10, 0.5, 45, 120);
    EXPECT_TRUE(w.fullCircle);
    EXPECT_EQ(w.radius, 250);
    EXPECT_EQ(w.centre, (ViewPoint{420, 310}));
    EXPECT_TRUE(InsideWedge(w, 420, 560));
    EXPECT_FALSE(InsideWedge(w, 420, 561));
}

TEST(ViewGeometry, ScanLineEndsOnePictureRadiusOutAlongTheBeam) {
    ScanLineInput in;
    in.clientWidth = 800;
    in.clientHeight = 600;
    in.scanDirection = 1; // no look-ahead step with the head upright
    in.beamAngle = 0.0;
    ScanLine line = ComputeScanLine(in);
    EXPECT_EQ(line.from, (ViewPoint{400, 300}));
    EXPECT_EQ(line.to, (ViewPoint{400, 50}));
    in.beamAngle = 90.0;
    in.zoom = 2.0;
    in.panX = 10;
    line = ComputeScanLine(in);
    EXPECT_EQ(line.from, (ViewPoint{410, 300}));
    EXPECT_EQ(line.to.x, 910);
    EXPECT_NEAR(line.to.y, 300, 1); // cos 90 degrees is not exactly 0 in doubles

    // One step ahead (3 x 0.3 degrees) for the two direction/orientation pairs.
    in = ScanLineInput{};
    in.clientWidth = 800;
    in.clientHeight = 600;
    in.beamAngle = 89.1;
    in.stepSize = 3;
    in.bearingScale = 0.3;
    in.scanDirection = 0;
    in.sonarUpDown = 0;
    EXPECT_EQ(ComputeScanLine(in).to, (ViewPoint{650, 300}));
    in.scanDirection = 1;
    in.sonarUpDown = 1;
    EXPECT_EQ(ComputeScanLine(in).to, (ViewPoint{650, 300}));
    in.sonarUpDown = 0;
    EXPECT_NE(ComputeScanLine(in).to, (ViewPoint{650, 300}));
}

TEST(ViewGeometry, ColourBarRunsFromStrongestAtTheTopToWeakestAtTheBottom) {
    EXPECT_EQ(ColourBarIndex(0, 600), 117);
    EXPECT_EQ(ColourBarIndex(599, 600), 1); // 599 * 117 / 600 = 116
    EXPECT_EQ(ColourBarIndex(300, 600), 59);
    EXPECT_EQ(ColourBarIndex(5000, 600), 0); // clamped
    EXPECT_EQ(ColourBarIndex(0, 0), 117);    // no client: no division
}

TEST(ViewGeometry, HeadIconFollowsTransducerFacingAndZeroDirection) {
    EXPECT_EQ(SelectHeadIcon(1, 1), HeadIcon::GreyStemUp);
    EXPECT_EQ(SelectHeadIcon(0, 1), HeadIcon::RedStemUp);
    EXPECT_EQ(SelectHeadIcon(1, 0), HeadIcon::GreyStemDown);
    EXPECT_EQ(SelectHeadIcon(0, 0), HeadIcon::RedStemDown);
}

TEST(ViewGeometry, CursorReadoutsMeasureFromTheOriginClockwiseFromUp) {
    CursorInput in;
    in.origin = {400, 300};
    in.clientWidth = 800;
    in.rangeMetres = 2.0; // 250 px = 2 m at zoom 1
    auto at = [&](int x, int y) {
        in.x = x;
        in.y = y;
        return ComputeCursorReadout(in);
    };
    CursorReadout r = at(400, 175);
    EXPECT_DOUBLE_EQ(r.y, 1.0);
    EXPECT_DOUBLE_EQ(r.range, 1.0);
    EXPECT_DOUBLE_EQ(r.bearing, 0.0);
    EXPECT_DOUBLE_EQ(at(525, 300).bearing, 90.0);
    EXPECT_DOUBLE_EQ(at(525, 300).x, 1.0);
    // The readouts' own 180/pi makes a right angle a hair over 90 degrees.
    EXPECT_NEAR(at(400, 425).bearing, 180.0, 1e-5);
    EXPECT_DOUBLE_EQ(at(275, 300).bearing, 270.0);
    EXPECT_DOUBLE_EQ(at(400, 300).bearing, 0.0);
    EXPECT_NEAR(at(500, 200).bearing, 45.0, 1e-5);
    EXPECT_NEAR(at(300, 200).bearing, 315.0, 1e-5);
    // Speed of sound scales distances.
    in.soundVelocity = 1600.0;
    EXPECT_NEAR(at(400, 175).range, 1600.0 / 1500.0, 1e-12);
    // Side scan: reference 250 px left of centre at the mouse's height, no bearing.
    in.soundVelocity = 1500.0;
    in.sectorMode = 2;
    r = at(275, 50);
    EXPECT_FALSE(r.hasBearing);
    EXPECT_DOUBLE_EQ(r.x, 1.0);
    EXPECT_DOUBLE_EQ(r.y, 0.0);
}
