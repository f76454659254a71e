#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "ping/SonarBitmap.h"

namespace {

struct Rgb {
    int r, g, b;
};

void ExpectEntry(const CSonarBitmap& bitmap, int table, int level, Rgb want) {
    const ColorEntry e = bitmap.Entry(table, level);
    EXPECT_EQ(e.red, want.r) << "table " << table << " level " << level;
    EXPECT_EQ(e.green, want.g) << "table " << table << " level " << level;
    EXPECT_EQ(e.blue, want.b) << "table " << table << " level " << level;
}

} // namespace

TEST(ColourTables, NamedEntries) {
    const CSonarBitmap bitmap;
    // The strongest level in the five single-ramp tables.
    ExpectEntry(bitmap, 0, 117, {240, 0, 0});
    ExpectEntry(bitmap, 1, 117, {160, 0, 0});
    ExpectEntry(bitmap, 2, 117, {0, 255, 0});
    ExpectEntry(bitmap, 3, 117, {255, 255, 255});
    ExpectEntry(bitmap, 4, 117, {1, 1, 1});
    // The weakest painted level.
    ExpectEntry(bitmap, 0, 1, {0, 0, 1}); // 1 x 1.5 truncated
    ExpectEntry(bitmap, 1, 1, {0, 0, 1});
    ExpectEntry(bitmap, 2, 1, {0, 2, 0});
    ExpectEntry(bitmap, 3, 1, {2, 2, 2});
    ExpectEntry(bitmap, 4, 1, {210, 210, 210});
    ExpectEntry(bitmap, 4, 0, {212, 212, 212});
    // The blue-to-green ramp ends exactly at 35.
    ExpectEntry(bitmap, 1, 35, {0, 100, 0});
    ExpectEntry(bitmap, 1, 36, {0, 105, 0});
    ExpectEntry(bitmap, 0, 36, {0, 157, 0});
    // The high table saturates on the pale entries.
    ExpectEntry(bitmap, 0, 98, {255, 255, 210});

    // The four two-component tables arrange the same A and B values.
    struct AB {
        int i, a, b;
    };
    for (const AB& p : {AB{30, 118, 24}, AB{59, 216, 89}, AB{90, 255, 194}, AB{117, 255, 255},
                        AB{118, 255, 255}}) {
        ExpectEntry(bitmap, 5, p.i, {p.a, p.b, 0});
        ExpectEntry(bitmap, 6, p.i, {0, p.a, p.b});
        ExpectEntry(bitmap, 7, p.i, {p.b, p.a, 0});
        ExpectEntry(bitmap, 8, p.i, {0, p.b, p.a});
    }
}

TEST(ColourTables, BaseRampRunsInEqualStepsBetweenItsRows) {
    // Row ends written out again here, independently of the table builder.
    struct Row {
        int first, last;
        Rgb from, to;
    };
    const Row rows[] = {
        {0, 1, {0, 0, 0}, {0, 0, 1}},
        {2, 3, {0, 0, 3}, {0, 0, 5}},
        {4, 18, {0, 0, 10}, {0, 0, 80}},
        {19, 35, {0, 20, 80}, {0, 100, 0}},
        {36, 39, {0, 105, 0}, {0, 120, 0}},
        {40, 41, {5, 125, 0}, {10, 130, 0}},
        {42, 48, {20, 135, 0}, {20, 165, 0}},
        {49, 50, {40, 170, 0}, {60, 175, 0}},
        {51, 52, {70, 180, 0}, {80, 185, 0}},
        {53, 58, {90, 175, 0}, {140, 125, 0}},
        {59, 61, {150, 110, 0}, {160, 100, 0}},
        {62, 69, {165, 100, 0}, {200, 100, 0}},
        {70, 72, {205, 105, 0}, {215, 115, 0}},
        {73, 79, {210, 120, 0}, {150, 150, 0}},
        {80, 88, {155, 155, 0}, {195, 195, 0}},
        {89, 98, {200, 200, 50}, {245, 245, 140}},
        {99, 111, {180, 180, 180}, {240, 240, 240}},
        {112, 114, {240, 240, 240}, {240, 240, 240}},
        {115, 118, {160, 0, 0}, {160, 0, 0}},
    };
    const CSonarBitmap bitmap;
    int covered = 0;
    for (const Row& row : rows) {
        const int n = row.last - row.first;
        for (int i = row.first; i <= row.last; ++i, ++covered) {
            const double f = n == 0 ? 0.0 : static_cast<double>(i - row.first) / n;
            auto at = [&](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * f)); };
            const Rgb want{at(row.from.r, row.to.r), at(row.from.g, row.to.g),
                           at(row.from.b, row.to.b)};
            ExpectEntry(bitmap, 1, i, want);
            ExpectEntry(bitmap, 0, i,
                        {std::min(255, want.r * 3 / 2), std::min(255, want.g * 3 / 2),
                         std::min(255, want.b * 3 / 2)});
        }
    }
    EXPECT_EQ(covered, CSonarBitmap::kBuiltEntries);
    // Nothing beyond 118 is ever filled.
    for (int t = 0; t < CSonarBitmap::kTableCount; ++t)
        for (int i = CSonarBitmap::kBuiltEntries; i < CSonarBitmap::kEntryCount; ++i)
            ExpectEntry(bitmap, t, i, {0, 0, 0});
}

TEST(ColourTables, SelectionsOutsideTheTablesFallBackToTheDefault) {
    const CSonarBitmap bitmap;
    for (int bad : {-1, 9, 42, INT_MIN, INT_MAX}) {
        EXPECT_EQ(CSonarBitmap::SafeTableIndex(bad), 0);
        EXPECT_EQ(&bitmap.Colors(bad), &bitmap.Colors(0));
        ExpectEntry(bitmap, bad, 117, {240, 0, 0});
    }
    for (int t = 0; t < CSonarBitmap::kTableCount; ++t)
        EXPECT_EQ(CSonarBitmap::SafeTableIndex(t), t);
    // Levels outside the table are limited, never read past it.
    ExpectEntry(bitmap, 1, -5, {0, 0, 0});
    ExpectEntry(bitmap, 1, 100000, {0, 0, 0});
}
