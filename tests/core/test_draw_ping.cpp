#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

#include "doc/PingBinding.h"

namespace {

constexpr int kW = kImageSize;
constexpr int kH = kImageSize;
// A background no colour table produces, so painted pixels stand out.
constexpr std::uint8_t kMark[3] = {3, 2, 1};

void Fill(std::vector<std::uint8_t>& image) {
    for (std::size_t i = 0; i < image.size(); i += 3)
        std::copy(kMark, kMark + 3, &image[i]);
}

struct Painted {
    int x, y;
    std::uint8_t b, g, r;
};

std::vector<Painted> PaintedPixels(const std::vector<std::uint8_t>& image) {
    std::vector<Painted> out;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const std::uint8_t* p = &image[(static_cast<std::size_t>(y) * kW + x) * 3];
            if (!std::equal(p, p + 3, kMark)) out.push_back({x, y, p[0], p[1], p[2]});
        }
    return out;
}

// A document with an image and the range code, pulse and zoom a test needs.
struct Scene {
    CTubescanDoc doc;
    PingWorkspace ws = DocumentWorkspace(doc);

    explicit Scene(double zoom = 1.0, int rangeCode = 10, int pulse = 10, double range = 1.0) {
        doc.Frame().m_imageWidth = kW;
        doc.Frame().m_imageHeight = kH;
        doc.Frame().m_image.assign(static_cast<std::size_t>(kW) * kH * 3, 0);
        Fill(doc.Frame().m_image);
        doc.Settings().m_zoom = zoom;
        doc.SetCommandByte(headproto::kCmdRangeCode, static_cast<std::uint8_t>(rangeCode));
        doc.Settings().m_pulseLength = static_cast<std::uint8_t>(pulse);
        doc.Settings().m_range = range;
    }
    void Lines(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        doc.Frame().m_lines[0].fill(a);
        doc.Frame().m_lines[1].fill(b);
        doc.Frame().m_lines[2].fill(c);
    }
    const std::uint8_t* At(int x, int y) const {
        return &doc.Frame().m_image[(static_cast<std::size_t>(y) * kW + x) * 3];
    }
};

// The drawing rule written out plainly, pixel by pixel, with none of the
// shortcuts of the real drawing (no chunks, no colour look-up per sum, no
// reachable-range bounds).
void ReferenceDraw(const CTubescanDoc& doc, int table, std::vector<std::uint8_t>& image) {
    static const int weights[21][3] = {
        {100, 100, 0}, {100, 100, 0}, {100, 100, 0}, {90, 110, 0},  {80, 120, 0},  {70, 130, 0},
        {60, 140, 0},  {50, 150, 0},  {40, 160, 0},  {30, 160, 10}, {20, 160, 20}, {10, 160, 30},
        {0, 160, 40},  {0, 150, 50},  {0, 140, 60},  {0, 130, 70},  {0, 120, 80},  {0, 110, 90},
        {0, 100, 100}, {0, 100, 100}, {0, 100, 100}};
    double t = 0.0;
    switch (doc.Command()[headproto::kCmdRangeCode]) {
    case 2:
        t = 21.3;
        break;
    case 4:
        t = 21.3;
        break;
    case 6:
        t = 21.3;
        break;
    case 8:
        t = 21.3;
        break;
    case 10:
        t = 27.3;
        break;
    case 20:
        t = 32.6;
        break;
    case 30:
        t = 34.3;
        break;
    case 40:
    case 50:
    case 60:
        t = 40.0;
        break;
    }
    const double z = doc.Settings().m_zoom;
    const int B = static_cast<int>(2 * 250 * z) / 2;
    const double u =
        (doc.Settings().m_pulseLength + t - 10) * 750 * 1e-6 * z * 250 / doc.Settings().m_range;
    const bool minus = (doc.Settings().m_sonarUpDown == 0 && doc.Run().m_scanDirection == 1) ||
                       (doc.Settings().m_sonarUpDown != 0 && doc.Run().m_scanDirection != 1);
    const double a0 = minus ? doc.Frame().m_beamAngle - 0.9 : doc.Frame().m_beamAngle + 0.9;
    const auto& l = doc.Frame().m_lines;
    for (int r = 0; r <= 20; ++r) {
        int w0 = weights[r][0], w1 = weights[r][1], w2 = weights[r][2];
        if (doc.Settings().m_sonarUpDown == 1) std::swap(w0, w2);
        for (int k = 0; k < B; ++k) {
            const int i = static_cast<int>(k / z);
            int v = doc.Run().m_scanDirection == 1 ? l[0][i] * w0 + l[1][i] * w1 + l[2][i] * w2
                                                   : l[0][i] * w2 + l[1][i] * w1 + l[2][i] * w0;
            v = static_cast<int>(v * 0.005);
            v = static_cast<int>(v * doc.Display().m_profileMix);
            v = std::clamp(v, 1, 117);
            const double d = k + u;
            if (static_cast<int>(d) > B - 2) continue;
            double a = a0 + r * 0.9 / 20 - 90;
            if (a < 0) a += 360;
            if (a >= 360) a -= 360;
            const int j = static_cast<int>(a / 0.05);
            const int x = static_cast<int>(B + d * doc.Trig().cos[j]);
            const int y = static_cast<int>(B + d * doc.Trig().sin[j]);
            if (x >= 1 && x < kW - 1 && y >= 1 && y < kH - 1) {
                const ColorEntry c = doc.ColourTables().Entry(table, v);
                std::uint8_t* p = &image[(static_cast<std::size_t>(y) * kW + x) * 3];
                p[0] = c.blue;
                p[1] = c.green;
                p[2] = c.red;
            }
        }
    }
}

std::uint8_t Noise(unsigned& state) {
    state = state * 1103515245u + 12345u;
    return static_cast<std::uint8_t>(state >> 16);
}

} // namespace

TEST(DrawPing, EveryPixelMatchesThePlainRule) {
    struct Case {
        double zoom, angle, mix, range;
        int rangeCode, pulse, upDown, direction, table;
    };
    const Case cases[] = {
        {1.0, 0.0, 1.0, 1.0, 10, 10, 0, 1, 0},    {0.5, 90.0, 1.0, 0.5, 6, 20, 0, 0, 5},
        {2.0, 359.7, 0.25, 2.0, 20, 40, 1, 1, 8}, {3.0, 539.7, 0.5, 6.0, 60, 10, 1, 0, 3},
        {1.25, 200.3, 1.0, 1.0, 99, 0, 0, 1, 1},  {3.0, 45.0, 1.0, 0.125, 2, 100, 0, 1, 4},
        {0.75, 314.1, 0.0, 3.0, 30, 25, 0, 0, 2}, {1.75, 135.0, 1.0, 1.0, 10, 10, 0, 1, 77},
        {3.5, 100.0, 1.0, 1.0, 10, 10, 0, 1, 6},  {6.0, 300.0, 1.0, 1.0, 10, 10, 1, 1, 7},
        {1.0, -27.0, 1.0, 1.0, 10, 10, 0, 0, -2},
    };
    unsigned state = 7;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "zoom " << c.zoom << " angle " << c.angle << " code "
                                        << c.rangeCode << " table " << c.table);
        Scene scene(c.zoom, c.rangeCode, c.pulse, c.range);
        CTubescanDoc& doc = scene.doc;
        doc.Frame().m_beamAngle = c.angle;
        doc.Display().m_profileMix = c.mix;
        doc.Settings().m_sonarUpDown = c.upDown;
        doc.Run().m_scanDirection = c.direction;
        doc.Settings().m_colorTable = c.table;
        for (auto& line : doc.Frame().m_lines)
            for (auto& sample : line)
                sample = Noise(state);

        std::vector<std::uint8_t> expected = doc.Frame().m_image;
        ReferenceDraw(doc, CSonarBitmap::SafeTableIndex(c.table), expected);
        DrawPing(doc, scene.ws);
        const auto painted = PaintedPixels(doc.Frame().m_image);
        EXPECT_GT(painted.size(), 100u);
        EXPECT_TRUE(doc.Frame().m_image == expected);
        // Neither the outermost rows nor the outermost columns are touched.
        for (const Painted& p : painted) {
            ASSERT_TRUE(p.x >= 1 && p.x < kW - 1 && p.y >= 1 && p.y < kH - 1) << p.x << "," << p.y;
        }
    }
}

TEST(DrawPing, KnownSampleLandsOnTheExpectedPixels) {
    // Sample 100 strong, everything else silent, head at 90 degrees: the last
    // sub-beam lies exactly along the row of the centre. Range code 10 puts the
    // first sample at u = 27.3 us x 750 m/s = 5.11875 mm x zoom pixels.
    struct Case {
        double zoom;
        int centre;
        std::vector<int> columns; // trunc(B + k + u) for every k showing sample 100
    };
    const Case cases[] = {{0.5, 125, {177}},
                          {1.0, 250, {355}},
                          {2.0, 500, {710, 711}},
                          {3.0, 750, {1065, 1066, 1067}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zoom);
        Scene scene(c.zoom);
        scene.Lines(0, 0, 0);
        for (auto& line : scene.doc.Frame().m_lines)
            line[100] = 255;
        scene.doc.Frame().m_beamAngle = 90.0;
        DrawPing(scene.doc, scene.ws);
        const ColorEntry strong = scene.doc.ColourTables().Entry(0, 117);
        const ColorEntry faint = scene.doc.ColourTables().Entry(0, 1);
        const int y = c.centre;
        for (int x = c.columns.front() - 1; x <= c.columns.back() + 1; ++x) {
            const bool inside = std::find(c.columns.begin(), c.columns.end(), x) != c.columns.end();
            const ColorEntry want = inside ? strong : faint;
            const std::uint8_t* p = scene.At(x, y);
            EXPECT_EQ(p[0], want.blue) << x;
            EXPECT_EQ(p[1], want.green) << x;
            EXPECT_EQ(p[2], want.red) << x;
        }
    }
}

TEST(DrawPing, HeadAngleZeroIsUpAndNinetyIsRight) {
    struct Case {
        double angle;
        int dx, dy; // direction on screen, rows growing downwards
    };
    for (const Case& c :
         {Case{0.0, 0, -1}, Case{90.0, 1, 0}, Case{180.0, 0, 1}, Case{270.0, -1, 0}}) {
        SCOPED_TRACE(c.angle);
        Scene scene(1.0, 99); // unknown range code: no receive delay, u = 0
        scene.Lines(255, 255, 255);
        scene.doc.Frame().m_beamAngle = c.angle;
        DrawPing(scene.doc, scene.ws);
        const auto painted = PaintedPixels(scene.doc.Frame().m_image);
        ASSERT_GT(painted.size(), 200u);
        int far = 0;
        for (const Painted& p : painted) {
            const int ox = p.x - 250, oy = p.y - 250;
            // Every pixel of the 0.9-degree wedge lies within a few pixels of
            // the expected ray, on its side of the centre.
            const int along = ox * c.dx + oy * c.dy;
            const int across = std::abs(ox * c.dy - oy * c.dx);
            EXPECT_GE(along, -1);
            EXPECT_LE(across, 1 + along * 2 / 100); // tan 0.9 deg < 0.016
            if (along > 240) ++far;
        }
        EXPECT_GT(far, 0);
    }
}

TEST(DrawPing, WedgeSideAndWeightsFollowMountingAndDirection) {
    // Oldest line 10, middle 50, newest 90. The first sub-beam blends the
    // oldest two lines (level 30), the last the newest two (level 70). An
    // inverted head or a backward scan starts the wedge on the other side of
    // the beam angle and exchanges oldest and newest; both together cancel.
    struct Case {
        int upDown, direction;
        bool below; // wedge at 90.9 ... 91.8 (below the centre row) instead of 89.1 ... 90
        int firstLevel, lastLevel;
    };
    const Case cases[] = {
        {0, 1, false, 30, 70},
        {1, 0, false, 30, 70},
        {0, 0, true, 70, 30},
        {1, 1, true, 70, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "up/down " << c.upDown << " direction " << c.direction);
        Scene scene(3.0, 99); // u = 0
        scene.Lines(10, 50, 90);
        scene.doc.Settings().m_colorTable = 2; // green = trunc(2.5 x level)
        scene.doc.Settings().m_sonarUpDown = c.upDown;
        scene.doc.Run().m_scanDirection = c.direction;
        scene.doc.Frame().m_beamAngle = 90.0;
        DrawPing(scene.doc, scene.ws);
        // Near the rim, the sub-beams fan out over a dozen rows of one column:
        // the first sub-beam is the one nearest the centre row's angle 0.
        const int x = 1497;
        int top = kH, bottom = -1;
        for (int y = 0; y < kH; ++y) {
            if (std::equal(scene.At(x, y), scene.At(x, y) + 3, kMark)) continue;
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
        ASSERT_GT(bottom - top, 8);
        if (c.below) {
            EXPECT_GE(top, 750);
        } else {
            EXPECT_LE(bottom, 750);
        }
        EXPECT_EQ(scene.At(x, top)[1], static_cast<int>(2.5 * c.firstLevel));
        EXPECT_EQ(scene.At(x, bottom)[1], static_cast<int>(2.5 * c.lastLevel));
        EXPECT_EQ(scene.At(x, top)[0], 0);
        EXPECT_EQ(scene.At(x, bottom)[2], 0);
    }
}

TEST(DrawPing, LevelsFromSampleValuesAndDisplayMix) {
    Scene scene(1.0);
    scene.Lines(255, 255, 255);
    scene.doc.Frame().m_beamAngle = 30.0;
    scene.doc.Settings().m_colorTable = 3; // grey: 2.5 x level, limited to 255
    DrawPing(scene.doc, scene.ws);
    auto painted = PaintedPixels(scene.doc.Frame().m_image);
    ASSERT_GT(painted.size(), 500u);
    for (const Painted& p : painted)
        ASSERT_EQ(p.g, 255); // level 117, clamped from 255

    // "Points Only" (mix 0) paints the weakest colour everywhere.
    Scene points(1.0);
    points.Lines(255, 255, 255);
    points.doc.Frame().m_beamAngle = 30.0;
    points.doc.Settings().m_colorTable = 3;
    points.doc.Display().m_profileMix = 0.0;
    DrawPing(points.doc, points.ws);
    painted = PaintedPixels(points.doc.Frame().m_image);
    ASSERT_GT(painted.size(), 500u);
    for (const Painted& p : painted)
        ASSERT_EQ(p.g, 2); // level 1

    // Silence still paints level 1, never entry 0.
    Scene silent(1.0);
    silent.Lines(0, 0, 0);
    silent.doc.Settings().m_colorTable = 3;
    DrawPing(silent.doc, silent.ws);
    painted = PaintedPixels(silent.doc.Frame().m_image);
    ASSERT_GT(painted.size(), 500u);
    for (const Painted& p : painted)
        ASSERT_EQ(p.g, 2);
}

TEST(HeadAngles, EveryAngleReachesTheTablesInsideTheirRange) {
    const TrigTables trig;
    // Decoding wraps a head position of up to 8191 once, an inverted head gives
    // large negatives, roll adds up to 90 either way, the zero turned down adds 180.
    for (double angle = -2600.0; angle <= 2600.0; angle += 0.37) {
        const std::size_t j = HeadAngleTableIndex(angle);
        ASSERT_LT(j, kTrigTableSize) << angle;
        const double screen = (angle - 90.0) * kTablePi / 180.0;
        ASSERT_NEAR(trig.cos[j], std::cos(screen), 2e-3) << angle;
        ASSERT_NEAR(trig.sin[j], std::sin(screen), 2e-3) << angle;
    }
    // Angles the single wrap already brings into the tables keep their index.
    EXPECT_EQ(HeadAngleTableIndex(0.0), 5400u);
    EXPECT_EQ(HeadAngleTableIndex(90.0), 0u);
    EXPECT_EQ(HeadAngleTableIndex(539.7), static_cast<std::size_t>((539.7 - 90.0 - 360.0) / 0.05));
    EXPECT_EQ(HeadAngleTableIndex(1000.0),
              static_cast<std::size_t>((1000.0 - 90.0 - 360.0) / 0.05));
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), 1e300, -1e300})
        EXPECT_LT(HeadAngleTableIndex(bad), kTrigTableSize);
}

TEST(DrawPing, FarOutOfRangeBeamAnglesDrawInTheirTrueDirection) {
    // (600 - 8191) x 0.3 + 360 - 90 of roll: far below any table index.
    for (double angle : {-2197.3 + 360.0 - 90.0, 2097.3 + 90.0}) {
        SCOPED_TRACE(angle);
        Scene scene(1.0, 99);
        scene.Lines(200, 200, 200);
        scene.doc.Frame().m_beamAngle = angle;
        DrawPing(scene.doc, scene.ws);
        const auto painted = PaintedPixels(scene.doc.Frame().m_image);
        ASSERT_GT(painted.size(), 200u);
        const double theta = (angle - 0.45 - 90.0) * std::numbers::pi / 180.0;
        for (const Painted& p : painted) {
            const double ox = p.x - 250.0, oy = p.y - 250.0;
            const double along = ox * std::cos(theta) + oy * std::sin(theta);
            const double across = std::abs(-ox * std::sin(theta) + oy * std::cos(theta));
            EXPECT_GE(along, -2.0);
            EXPECT_LE(across, 2.0 + along * 0.01);
        }
    }
}

TEST(DrawPing, HostileZoomAndRangeStayInsideTheImageAndFinish) {
    const double zooms[] = {1e-300, 1e-3, 3.5,   7.0,
                            60.0,   1e6,  1e300, std::numeric_limits<double>::max()};
    for (double zoom : zooms) {
        for (double angle = 0.0; angle < 360.0; angle += 45.0) {
            SCOPED_TRACE(testing::Message() << "zoom " << zoom << " angle " << angle);
            Scene scene(zoom);
            scene.Lines(128, 128, 128);
            scene.doc.Frame().m_beamAngle = angle;
            scene.doc.Settings().m_profileDispMode = 1;
            scene.doc.Settings().m_pointSize = 2;
            scene.ws.profileHistory[0] = ProfileEntry{1000.0, angle};
            DrawPing(scene.doc, scene.ws);
            PlaceProfilePoint(scene.doc, scene.ws, ComputeProfilePoint(scene.doc, scene.ws),
                              PingDrawing::Pixels);
            for (const Painted& p : PaintedPixels(scene.doc.Frame().m_image))
                ASSERT_TRUE(p.x >= 1 && p.x < kW - 1 && p.y >= 1 && p.y < kH - 1);
        }
    }
    // Beyond a few thousand pixels of radius no sample of a real range can
    // reach the image; the drawing must say so by painting nothing.
    Scene far(1e6);
    far.Lines(128, 128, 128);
    far.doc.Frame().m_beamAngle = 315.0;
    DrawPing(far.doc, far.ws);
    EXPECT_TRUE(PaintedPixels(far.doc.Frame().m_image).empty());

    // A range of zero or below from a damaged settings file draws nothing.
    for (double range : {0.0, -1.0, 1e-300}) {
        Scene scene(1.0, 99, 0, range);
        scene.Lines(128, 128, 128);
        DrawPing(scene.doc, scene.ws);
        for (const Painted& p : PaintedPixels(scene.doc.Frame().m_image))
            ASSERT_TRUE(p.x >= 1 && p.x < kW - 1 && p.y >= 1 && p.y < kH - 1);
    }
}

TEST(RangeTiming, UnknownCodesUseTheNeutralRow) {
    EXPECT_EQ(RangeTimingForCode(10).receiveDelay, 27.3);
    EXPECT_EQ(RangeTimingForCode(60).sampleSpacing, 0.024);
    for (int code : {0, 1, 3, 11, 61, 99, 255}) {
        EXPECT_EQ(RangeTimingForCode(code).sampleSpacing, 0.002) << code;
        EXPECT_EQ(RangeTimingForCode(code).receiveDelay, 0.0) << code;
    }
}
