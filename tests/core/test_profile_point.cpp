#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "doc/PingBinding.h"

namespace {

constexpr int kW = kImageSize;
constexpr int kH = kImageSize;
constexpr COLORREF kPointColour = 0x00332211; // red 0x11, green 0x22, blue 0x33

std::array<std::uint8_t, 32> MakeHeader(int position, int profileRange) {
    headproto::ReturnHeader f;
    f.headPosition = position;
    f.scanDirection = 1; // scanning forward
    f.profileRange = profileRange;
    f.dataBytes = 0;
    return headproto::EncodeReturnHeader(f);
}

struct Scene {
    CTubescanDoc doc;
    PingWorkspace ws = DocumentWorkspace(doc);

    explicit Scene(double zoom = 1.0, int rangeCode = 10) {
        doc.Frame().m_imageWidth = kW;
        doc.Frame().m_imageHeight = kH;
        doc.Frame().m_image.assign(static_cast<std::size_t>(kW) * kH * 3, 0);
        doc.Settings().m_zoom = zoom;
        doc.SetCommandByte(headproto::kCmdRangeCode, static_cast<std::uint8_t>(rangeCode));
        doc.Settings().m_pulseLength = 10;
        doc.Settings().m_range = 1.0;
        doc.Settings().m_pointsColor = kPointColour;
        doc.Settings().m_profileDispMode = 2;
    }
    void Ping(int position, int profileRange, std::uint8_t level) {
        doc.Frame().m_reply.header = MakeHeader(position, profileRange);
        doc.Frame().m_reply.samples.fill(0);
        std::fill_n(doc.Frame().m_reply.samples.begin(), 250, level);
        ASSERT_TRUE(ProcessPing(doc, ws));
    }
    bool IsPoint(int x, int y) const {
        const std::uint8_t* p = &doc.Frame().m_image[(static_cast<std::size_t>(y) * kW + x) * 3];
        return p[0] == 0x33 && p[1] == 0x22 && p[2] == 0x11;
    }
    std::vector<std::array<int, 2>> PointPixels() const {
        std::vector<std::array<int, 2>> out;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (IsPoint(x, y)) out.push_back({x, y});
        return out;
    }
    bool Place(double range, double bearing) {
        ws.profileHistory[0] = ProfileEntry{range, bearing};
        const PointOffset before{-1.0, -1.0};
        ws.pointOffset = before;
        PlaceProfilePoint(doc, ws, ComputeProfilePoint(doc, ws), PingDrawing::Pixels);
        return ws.pointOffset.x != before.x;
    }
};

} // namespace

TEST(ProfilePoint, DistanceBearingAndTheDotForEachPointSize) {
    // Range code 10: 4 mm per sample, receive delay 27.3 us, so u = 5.11875 px
    // at zoom 1 and a profile range of 800 (0.4 m) is 100 px further out.
    for (int size : {0, 1, 2}) {
        SCOPED_TRACE(size);
        Scene scene;
        scene.doc.Settings().m_pointSize = size;
        scene.ws.profileHistory[0] = ProfileEntry{800.0, 90.0};
        scene.ws.profileHistory[2] = ProfileEntry{5.0, 200.0}; // the newest is not used
        const ProfilePoint p = ComputeProfilePoint(scene.doc, scene.ws);
        EXPECT_NEAR(p.distance, 105.11875, 1e-9);
        EXPECT_EQ(p.bearing, 90.0);
        EXPECT_EQ(p.minimum, 5.0); // trunc(27.3 x 0.1875)
        EXPECT_EQ(p.radius, 250.0);
        PlaceProfilePoint(scene.doc, scene.ws, p, PingDrawing::Pixels);
        EXPECT_NEAR(scene.ws.pointOffset.x, 105.11875, 1e-9);
        EXPECT_NEAR(scene.ws.pointOffset.y, 0.0, 1e-9);

        std::vector<std::array<int, 2>> want = {{355, 250}};
        if (size >= 1) want.insert(want.end(), {{354, 250}, {356, 250}, {355, 249}, {355, 251}});
        if (size >= 2) want.insert(want.end(), {{354, 249}, {356, 249}, {354, 251}, {356, 251}});
        auto got = scene.PointPixels();
        std::sort(want.begin(), want.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, want);
    }
    // Without a profile range the point sits at the first sample.
    Scene empty;
    empty.ws.profileHistory[0] = ProfileEntry{0.0, 0.0};
    EXPECT_NEAR(ComputeProfilePoint(empty.doc, empty.ws).distance, 5.11875, 1e-9);
}

TEST(ProfilePoint, ShownOnlyBetweenTheMinimumRangeAndThePictureEdge) {
    Scene scene;
    EXPECT_TRUE(scene.Place(800.0, 90.0));
    scene.doc.Settings().m_profileDispMode = 0; // points not shown: nothing stored or painted
    scene.doc.Frame().m_image.assign(scene.doc.Frame().m_image.size(), 0);
    EXPECT_FALSE(scene.Place(800.0, 90.0));
    EXPECT_TRUE(scene.PointPixels().empty());

    scene.doc.Settings().m_profileDispMode = 3;
    scene.doc.Settings().m_profileMinRange = 0.5; // 125 px more: S = 130 > F = 105
    EXPECT_FALSE(scene.Place(800.0, 90.0));
    scene.doc.Settings().m_profileMinRange = 0.0;
    EXPECT_TRUE(scene.Place(1940.0, 90.0)); // F = 247.6 < B - 2
    EXPECT_TRUE(scene.IsPoint(497, 250));
    EXPECT_FALSE(scene.Place(1960.0, 90.0)); // F = 250.1

    // At zoom 6 the centre is the image's corner (1500, 1500). Up-left of it a
    // point one pixel further in is painted as a 3 x 3 square that stops one
    // pixel short of the last row and column; the point nearer the corner is
    // dropped, so nothing ever reaches the border.
    Scene corner(6.0, 99); // no receive delay, 2 mm per sample: F = 1.5 x range
    corner.doc.Settings().m_pointSize = 2;
    EXPECT_TRUE(corner.Place(2.0, 315.0)); // F = 3: X = Y = trunc(1500 - 2.12)
    auto pixels = corner.PointPixels();
    ASSERT_EQ(pixels.size(), 9u);
    for (const auto& p : pixels) {
        EXPECT_GE(p[0], 1496);
        EXPECT_LE(p[0], 1498);
        EXPECT_GE(p[1], 1496);
        EXPECT_LE(p[1], 1498);
    }
    corner.doc.Frame().m_image.assign(corner.doc.Frame().m_image.size(), 0);
    corner.Place(1.0, 315.0); // F = 1.5: X = Y = 1498, too near the edge
    EXPECT_TRUE(corner.PointPixels().empty());
}

TEST(ProcessPing, UsesTheOldestPingsPointAndKeepsPointsVisibleInPointsOnlyMode) {
    // "Points Only": the echo is painted in the weakest colour, points in theirs.
    Scene scene;
    scene.doc.Settings().m_profileDispMode = 1;
    scene.doc.Display().m_profileMix = 0.0;
    scene.doc.Settings().m_colorTable = 3; // grey
    scene.Ping(900, 800, 255);             // 90 degrees, 0.4 m
    scene.Ping(950, 400, 255);
    scene.Ping(1000, 400, 255);
    // The third ping's point is the first ping's: 0.4 m at 90 degrees.
    EXPECT_TRUE(scene.IsPoint(355, 250));
    EXPECT_NEAR(scene.ws.pointOffset.x, 105.11875, 1e-9);
    std::size_t echo = 0;
    for (std::size_t i = 0; i < scene.doc.Frame().m_image.size(); i += 3) {
        const std::uint8_t* p = &scene.doc.Frame().m_image[i];
        if (p[0] == 0 && p[1] == 0 && p[2] == 0) continue;
        if (p[0] == 0x33 && p[1] == 0x22 && p[2] == 0x11) continue;
        ++echo;
        ASSERT_TRUE(p[0] == 2 && p[1] == 2 && p[2] == 2) << i / 3 % kW << "," << i / 3 / kW;
    }
    EXPECT_GT(echo, 1500u);
}

TEST(ProcessPing, PointsOnlyMatchesPixelsWithoutTouchingTheImage) {
    Scene drawn, converted;
    const std::vector<std::uint8_t> untouched = converted.doc.Frame().m_image;
    const int positions[] = {600, 610, 620, 700, 1100, 1500};
    const int ranges[] = {800, 900, 0, 1200, 300, 700};
    for (int n = 0; n < 6; ++n) {
        drawn.Ping(positions[n], ranges[n], static_cast<std::uint8_t>(n * 40));
        converted.doc.Frame().m_reply = drawn.doc.Frame().m_reply;
        ASSERT_TRUE(ProcessPing(converted.doc, converted.ws, PingDrawing::PointsOnly));
        const ProfilePoint a = ComputeProfilePoint(drawn.doc, drawn.ws);
        const ProfilePoint b = ComputeProfilePoint(converted.doc, converted.ws);
        EXPECT_EQ(a.distance, b.distance);
        EXPECT_EQ(a.bearing, b.bearing);
        EXPECT_EQ(drawn.ws.pointOffset.x, converted.ws.pointOffset.x);
        EXPECT_EQ(drawn.ws.pointOffset.y, converted.ws.pointOffset.y);
    }
    EXPECT_TRUE(converted.doc.Frame().m_image == untouched);
    EXPECT_FALSE(drawn.doc.Frame().m_image == untouched);
}

TEST(ProcessPing, HistoryRestartDrawsTheFirstPingWithItsOwnSamples) {
    Scene scene;
    scene.doc.Settings().m_profileDispMode = 0; // echo only
    scene.doc.Settings().m_colorTable = 2;      // green = trunc(2.5 x level)
    auto greens = [&] {
        std::vector<int> out;
        for (std::size_t i = 0; i < scene.doc.Frame().m_image.size(); i += 3)
            if (scene.doc.Frame().m_image[i + 1] != 0)
                out.push_back(scene.doc.Frame().m_image[i + 1]);
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    };
    scene.Ping(600, 0, 20); // first ping: all three lines are its own
    EXPECT_EQ(greens(), std::vector<int>{50});
    scene.Ping(700, 0, 60); // blends 20, 20, 60: levels 20 ... 40
    const auto blended = greens();
    EXPECT_EQ(blended.front(), 50);
    EXPECT_EQ(blended.back(), 100);

    scene.doc.Frame().m_image.assign(scene.doc.Frame().m_image.size(), 0);
    ResetPingHistory(scene.doc, scene.ws); // as after a range change
    scene.Ping(800, 0, 100);
    EXPECT_EQ(greens(), std::vector<int>{250});
}
