// The LAS writer read back byte by byte: the header's counts, bounds and
// encoding, the extra-bytes descriptors, each point's fields, and a point the
// format cannot hold reported as a failure.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "TempDir.h"
#include "format/LasWriter.h"

namespace {

template <typename T> T At(const std::string& b, std::size_t offset) {
    T v;
    std::memcpy(&v, b.data() + offset, sizeof v);
    return v;
}

std::string Text(const std::string& b, std::size_t offset, std::size_t size) {
    const std::string s = b.substr(offset, size);
    return s.substr(0, s.find('\0'));
}

} // namespace

TEST(LasWriter, HeaderVlrsAndPointsReadBack) {
    TempDir d;
    las::LasFileWriter w;
    ASSERT_TRUE(w.Create(d.File("p.las")));
    const las::Point points[] = {
        {0.4, -0.25, 100.0, 1, 100.0, 200, 0.012},
        {-0.5125, 0.3, 100.0125, 1, 100.0125, 0, las::kNoDeviation},
        {0.1, 0.6005, 99.5, 2, 99.5, 17, -0.003},
    };
    for (const auto& p : points)
        w.Add(p);
    ASSERT_TRUE(w.Finish());
    const std::string b = d.Read("p.las");

    ASSERT_EQ(Text(b, 0, 4), "LASF");
    EXPECT_EQ(b[24], 1);
    EXPECT_EQ(b[25], 4);
    EXPECT_EQ(At<std::uint16_t>(b, 94), 375);
    EXPECT_EQ(At<std::uint16_t>(b, 6), las::kGlobalEncodingWkt);
    EXPECT_EQ(At<std::uint8_t>(b, 104), 6);
    EXPECT_EQ(At<std::uint16_t>(b, 105), las::kPointBytes);
    EXPECT_EQ(At<std::uint32_t>(b, 107), 0u); // legacy count unused above format 5
    EXPECT_EQ(At<std::uint64_t>(b, 247), 3u);
    EXPECT_EQ(At<std::uint64_t>(b, 255), 3u);
    const std::uint32_t offset = At<std::uint32_t>(b, 96);
    ASSERT_EQ(b.size(), offset + 3 * las::kPointBytes);
    EXPECT_EQ(At<double>(b, 131), 0.0005);
    // max then min for each axis, of the stored (rounded) coordinates
    const double bounds[] = {0.4, -0.5125, 0.6005, -0.25, 100.0125, 99.5};
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(At<double>(b, 179 + 8 * i), bounds[i], 1e-9) << i;

    // VLRs: WKT, then the extra bytes with four named descriptors.
    ASSERT_EQ(At<std::uint32_t>(b, 100), 2u);
    std::size_t v = 375;
    EXPECT_EQ(Text(b, v + 2, 16), "LASF_Projection");
    EXPECT_EQ(At<std::uint16_t>(b, v + 18), 2112);
    EXPECT_EQ(Text(b, v + 54, 400).rfind("LOCAL_CS[", 0), 0u);
    v += 54 + At<std::uint16_t>(b, v + 20);
    EXPECT_EQ(Text(b, v + 2, 16), "LASF_Spec");
    EXPECT_EQ(At<std::uint16_t>(b, v + 18), 4);
    ASSERT_EQ(At<std::uint16_t>(b, v + 20), 4 * 192);
    const char* names[] = {"scan", "distance", "echo", "deviation"};
    const int types[] = {5, 10, 1, 10};
    for (int i = 0; i < 4; ++i) {
        const std::size_t e = v + 54 + 192 * i;
        EXPECT_EQ(Text(b, e + 4, 32), names[i]);
        EXPECT_EQ(b[e + 2], types[i]) << names[i];
        EXPECT_EQ(b[e + 3] & 1, i == 3 ? 1 : 0) << names[i]; // only deviation has no-data
    }
    EXPECT_TRUE(std::isnan(At<double>(b, v + 54 + 3 * 192 + 40)));
    ASSERT_EQ(v + 54 + 4 * 192, offset);

    for (int i = 0; i < 3; ++i) {
        const std::size_t p = offset + i * las::kPointBytes;
        EXPECT_NEAR(At<std::int32_t>(b, p) * 0.0005, points[i].x, 0.00025);
        EXPECT_NEAR(At<std::int32_t>(b, p + 8) * 0.0005, points[i].z, 0.00025);
        EXPECT_EQ(At<std::uint16_t>(b, p + 12), points[i].echo * 257);
        EXPECT_EQ(At<std::uint8_t>(b, p + 14), 0x11); // return 1 of 1
        EXPECT_EQ(At<std::uint32_t>(b, p + 30), points[i].scan);
        EXPECT_EQ(At<double>(b, p + 34), points[i].distance);
        EXPECT_EQ(At<std::uint8_t>(b, p + 42), points[i].echo);
        const double dev = At<double>(b, p + 43);
        if (std::isnan(points[i].deviation))
            EXPECT_TRUE(std::isnan(dev));
        else
            EXPECT_EQ(dev, points[i].deviation);
    }
}

TEST(LasWriter, EmptyCloudAndUnstorablePointsAreReported) {
    TempDir d;
    las::LasFileWriter w;
    ASSERT_TRUE(w.Create(d.File("e.las")));
    ASSERT_TRUE(w.Finish());
    const std::string b = d.Read("e.las");
    EXPECT_EQ(At<std::uint64_t>(b, 247), 0u);
    EXPECT_EQ(At<double>(b, 179), 0.0);

    // 2^31 half-millimetres is beyond the 32-bit integers; NaN is no place.
    for (const las::Point p : {las::Point{0, 0, 1.1e6}, las::Point{NAN, 0, 0}}) {
        ASSERT_TRUE(w.Create(d.File("far.las")));
        w.Add({0, 0, 1.0});
        w.Add(p);
        EXPECT_FALSE(w.Finish());
    }
    EXPECT_FALSE(w.Create(d.File("no/such/folder.las")));
}

// A survey far along its pipe is stored from an offset near its first point
// (a reader gets the distances back to 0.5 mm); one whose distances span
// more than the integers reach at 0.5 mm gets the steps that hold them, and
// only one beyond every step is refused, with that reason, not as a failed
// write. Ordinary files keep the offset 0.
TEST(LasWriter, FarDistancesAreStoredFromAnOffsetOrRefusedWithTheReason) {
    TempDir d;
    las::LasFileWriter w;
    const double far[] = {5.0e8, 5.0e8 + 0.0125, 5.0e8 + 900000.0, -9.99999e8};
    for (const double start : far) {
        SCOPED_TRACE(start);
        ASSERT_TRUE(w.Create(d.File("far.las")));
        w.Add({0.25, -0.5, start, 1, start, 10});
        w.Add({0.25, -0.5, start + 800000.0, 2, start + 800000.0, 10});
        w.Add({0.25, -0.5, start - 800000.0, 3, start - 800000.0, 10});
        ASSERT_TRUE(w.Finish()) << w.Refusal();
        EXPECT_TRUE(w.Refusal().empty());
        const std::string b = d.Read("far.las");
        const double zOffset = At<double>(b, 171);
        EXPECT_EQ(At<double>(b, 155), 0.0);
        EXPECT_NE(zOffset, 0.0);
        const std::uint32_t first = At<std::uint32_t>(b, 96);
        const double zs[] = {start, start + 800000.0, start - 800000.0};
        for (int i = 0; i < 3; ++i) {
            const std::size_t p = first + i * las::kPointBytes;
            EXPECT_NEAR(At<std::int32_t>(b, p + 8) * 0.0005 + zOffset, zs[i], 0.00025) << i;
            EXPECT_NEAR(At<std::int32_t>(b, p) * 0.0005, 0.25, 0.00025);
        }
        EXPECT_NEAR(At<double>(b, 211), start + 800000.0, 0.00025); // max Z
        EXPECT_NEAR(At<double>(b, 219), start - 800000.0, 0.00025); // min Z
    }

    ASSERT_TRUE(w.Create(d.File("near.las")));
    w.Add({0.0, 0.0, 12.5, 1, 12.5, 10});
    ASSERT_TRUE(w.Finish());
    EXPECT_EQ(At<double>(d.Read("near.las"), 171), 0.0);

    // A glitch at 1e9 m amid a survey from 12 m on, among more points than
    // the writer revises at once: Z counts from the middle of the span, in
    // the finest steps that reach half of it (5e8 m needs at least 5e8/2^31
    // = 0.23 m: 1 m). X and Y keep their 0.5 mm, and every Z lies within
    // half a step of its distance.
    std::vector<double> zs;
    for (int i = 0; i < 10000; ++i)
        zs.push_back(i == 5000 ? 1.0e9 : 12.5 + i * 0.01);
    ASSERT_TRUE(w.Create(d.File("glitch.las")));
    for (std::size_t i = 0; i < zs.size(); ++i)
        w.Add({0.25, -0.5, zs[i], static_cast<std::uint32_t>(i), zs[i], 10});
    ASSERT_TRUE(w.Finish()) << w.Refusal();
    EXPECT_NE(w.Note().find("steps of 1 m"), std::string::npos) << w.Note();
    {
        const std::string b = d.Read("glitch.las");
        const double zScale = At<double>(b, 147), zOffset = At<double>(b, 171);
        EXPECT_EQ(At<double>(b, 131), 0.0005);
        EXPECT_EQ(At<double>(b, 139), 0.0005);
        EXPECT_EQ(zScale, 1.0);
        EXPECT_GT(zOffset, 12.5);
        EXPECT_LT(zOffset, 1.0e9);
        ASSERT_EQ(At<std::uint64_t>(b, 247), zs.size());
        const std::uint32_t first = At<std::uint32_t>(b, 96);
        ASSERT_EQ(b.size(), first + zs.size() * las::kPointBytes);
        for (std::size_t i = 0; i < zs.size(); ++i) {
            const std::size_t p = first + i * las::kPointBytes;
            ASSERT_NEAR(At<std::int32_t>(b, p + 8) * zScale + zOffset, zs[i], zScale / 2) << i;
            ASSERT_EQ(At<std::int32_t>(b, p), 500) << i;
            ASSERT_EQ(At<std::uint32_t>(b, p + 30), i);
            ASSERT_EQ(At<double>(b, p + 34), zs[i]) << "the distance kept whole, " << i;
        }
        EXPECT_NEAR(At<double>(b, 211), 1.0e9, 0.5); // max Z
        EXPECT_NEAR(At<double>(b, 219), 12.5, 0.5);  // min Z
        EXPECT_NEAR(At<double>(b, 179), 0.25, 1e-9); // max X, untouched
    }
    // An ordinary file says nothing of its steps.
    ASSERT_TRUE(w.Create(d.File("near.las")));
    w.Add({0.0, 0.0, 12.5, 1, 12.5, 10});
    ASSERT_TRUE(w.Finish());
    EXPECT_TRUE(w.Note().empty()) << w.Note();

    // Beyond what even 1 m steps hold: refused with that reason.
    ASSERT_TRUE(w.Create(d.File("beyond.las")));
    w.Add({0.0, 0.0, 12.5, 1, 12.5, 10});
    w.Add({0.0, 0.0, 1.0e13, 1, 1.0e13, 10});
    EXPECT_FALSE(w.Finish());
    EXPECT_EQ(w.WriteError(), 0);
    EXPECT_NE(w.Refusal().find("10000000000000.00 m"), std::string::npos) << w.Refusal();
    EXPECT_NE(w.Refusal().find("32-bit"), std::string::npos) << w.Refusal();
}
