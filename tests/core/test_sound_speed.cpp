// The range scale: the speed of sound from the water, a survey recorded at
// the wrong speed corrected when converting, and the check in a ring of
// certified diameter, against the simulated head's truth.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

#include "../support/PipeSurvey.h"
#include "TempDir.h"
#include "analysis/RangeCalibration.h"
#include "analysis/SoundSpeed.h"
#include "doc/RecordConversion.h"
#include "format/RecordFormat.h"

namespace {

// Pure water at atmospheric pressure, m/s, from an independent published
// fit to the measurements: Marczak's polynomial (J. Acoust. Soc. Am. 102,
// 1997), valid from 0 to 95 degrees.
double PublishedPureWater(double t) {
    const double k[] = {1.402385e3, 5.038813, -5.799136e-2, 3.287156e-4, -1.398845e-6, 2.787860e-9};
    double c = 0.0;
    for (int i = 5; i >= 0; --i)
        c = c * t + k[i];
    return c;
}

TEST(SoundSpeed, FreshAndSeaWaterAgainstPublishedValues) {
    for (int t = 0; t <= 40; ++t)
        EXPECT_NEAR(analysis::SoundSpeedInWater(t), PublishedPureWater(t), 0.5) << t << " C";
    // The figures every crew quotes for pure water, to the tenth.
    EXPECT_NEAR(analysis::SoundSpeedInWater(10.0), 1447.3, 0.05);
    EXPECT_NEAR(analysis::SoundSpeedInWater(20.0), 1482.4, 0.1);
    // Sea water of 35 PSU at 10 degrees and the surface: 1489.8 m/s.
    EXPECT_NEAR(analysis::SoundSpeedInWater(10.0, 35.0), 1489.8, 0.1);
    // Outside the equation's range there is no figure, not an extrapolation.
    EXPECT_TRUE(std::isnan(analysis::SoundSpeedInWater(-1.0)));
    EXPECT_TRUE(std::isnan(analysis::SoundSpeedInWater(41.0)));
    EXPECT_TRUE(std::isnan(analysis::SoundSpeedInWater(10.0, -1.0)));
    EXPECT_TRUE(std::isnan(analysis::SoundSpeedInWater(NAN)));
}

constexpr double kRing = 0.600;
constexpr int kRevolutionPings = 400; // 0.9 degree steps
constexpr int kRevolutions = 12;

// A head held still in a ring of kRing in water whose true speed is given,
// all the way round; the recording's settings say 1500 m/s.
void RecordRing(const std::string& path, double waterSpeed) {
    sim::PipeParams ring;
    ring.diameter = kRing;
    ring.swayPitch = ring.swayRoll = 0.0;
    ring.travelSpeed = 0.0;
    ring.soundVelocity = waterSpeed;
    pipesurvey::WriteSurvey(path, ring, kRevolutionPings * kRevolutions + 10, 120, 4);
}

// The ring's check from a conversion at the given speed (none: the
// settings' 1500 m/s), the same pass every output takes.
analysis::CalibrationCheck Convert(const TempDir& dir, std::optional<double> speed,
                                   conversion::Result* result = nullptr) {
    analysis::RingFit fit(kRing);
    conversion::Options options;
    options.replace = true;
    options.soundVelocity = speed;
    options.tap = [&fit](const analysis::ProfileSample& s) { fit.Add(s); };
    const conversion::Result r =
        conversion::ConvertRecordFile(dir.File("ring.31l"), dir.File("ring.xyz"), options);
    EXPECT_EQ(r.outcome, conversion::Outcome::Converted) << r.detail;
    if (result) *result = r;
    fit.Finish();
    return analysis::CheckCalibration(fit.Diameters(), kRing, speed.value_or(1500.0));
}

TEST(RangeScale, RecordingInColdWaterCorrectedExactlyAfterwards) {
    TempDir dir;
    const double water = analysis::SoundSpeedInWater(10.0);
    RecordRing(dir.File("ring.31l"), water);

    conversion::Result asRecorded;
    const analysis::CalibrationCheck before = Convert(dir, std::nullopt, &asRecorded);
    ASSERT_GE(before.revolutions, kRevolutions - 1);
    // 1500 / 1447.3: every diameter 3.6 % long.
    EXPECT_NEAR(before.errorPct, 100.0 * (1500.0 / water - 1.0), 0.1);
    EXPECT_EQ(asRecorded.stored.differing, 0u);

    conversion::Result corrected;
    const analysis::CalibrationCheck after = Convert(dir, water, &corrected);
    EXPECT_LT(std::fabs(after.errorPct), 0.1) << after.measured;
    // The records say 1500 m/s: the correction is told, once, for each.
    EXPECT_EQ(corrected.stored.differing, corrected.stored.readable);
    EXPECT_EQ(corrected.stored.unreadable, 0u);
    EXPECT_NEAR(corrected.stored.firstDiffering, 1500.0, 1e-9);
    EXPECT_NE(conversion::StoredSpeedsNote(corrected.stored, water).find("1500.0 m/s"),
              std::string::npos);
}

TEST(RangeScale, RingCheckPassesAtTheTrueSpeedFailsOnePercentOffProposesTheTruth) {
    TempDir dir;
    const double water = 1470.0;
    RecordRing(dir.File("ring.31l"), water);

    const analysis::CalibrationCheck right = Convert(dir, water);
    EXPECT_TRUE(right.pass) << analysis::CalibrationLine(right);
    EXPECT_GE(right.revolutions, 10);
    EXPECT_LE(right.spreadPct, 0.12);

    for (const double off : {0.99, 1.01}) {
        const analysis::CalibrationCheck wrong = Convert(dir, water * off);
        EXPECT_FALSE(wrong.pass) << analysis::CalibrationLine(wrong);
        EXPECT_NEAR(wrong.errorPct, (off - 1.0) * 100.0, 0.15);
        // The speed it proposes puts the scale right.
        EXPECT_NEAR(wrong.speedAfter, water, 0.002 * water);
    }
    // Measured at the head's own 1500 m/s, as a crew that never set it would.
    const analysis::CalibrationCheck unset = Convert(dir, std::nullopt);
    EXPECT_FALSE(unset.pass);
    EXPECT_NEAR(unset.speedAfter, water, 0.002 * water);
}

TEST(RangeScale, CheckNeedsEnoughRevolutionsAndKeepsTheLineFormat) {
    std::vector<double> revolutions(9, 0.6001);
    analysis::CalibrationCheck c = analysis::CheckCalibration(revolutions, 0.6, 1480.0);
    EXPECT_FALSE(c.enough);
    EXPECT_FALSE(c.pass);
    revolutions.push_back(0.5999);
    c = analysis::CheckCalibration(revolutions, 0.6, 1480.0);
    EXPECT_TRUE(c.pass);
    // A spread over its limit fails a mean that is right.
    const std::vector<double> scattered{0.598, 0.602, 0.598, 0.602, 0.598,
                                        0.602, 0.598, 0.602, 0.598, 0.602};
    c = analysis::CheckCalibration(scattered, 0.6, 1480.0);
    EXPECT_NEAR(c.errorPct, 0.0, 1e-9);
    EXPECT_FALSE(c.pass);
    c = analysis::CheckCalibration(scattered, 0.6, 1480.0, {0.5, 0.5, 10});
    EXPECT_TRUE(c.pass);

    std::vector<double> long12(12, 0.6219);
    long12[0] = 0.6217;
    long12[1] = 0.6221;
    c = analysis::CheckCalibration(long12, 0.6, 1500.0);
    EXPECT_EQ(analysis::CalibrationLine(c),
              "calibration: certified 0.6000 m, measured 0.6219 m (+3.65 %), spread 0.01 %, "
              "revolutions 12, speed 1500.0 m/s -> 1447.2 m/s, fail");
    EXPECT_EQ(analysis::CalibrationLine(analysis::CheckCalibration({}, 0.6, 1500.0)),
              "calibration: certified 0.6000 m, measured n/a, spread n/a, revolutions 0, speed "
              "1500.0 m/s -> n/a, fail");
}

TEST(RangeScale, DamagedStoredSpeedChangesNothingButANote) {
    TempDir dir;
    RecordRing(dir.File("ring.31l"), 1500.0);
    const conversion::Result clean = [&] {
        conversion::Result r;
        Convert(dir, std::nullopt, &r);
        return r;
    }();
    EXPECT_EQ(clean.stored.unreadable, 0u);
    EXPECT_EQ(clean.stored.differing, 0u);
    EXPECT_TRUE(conversion::StoredSpeedsNote(clean.stored, 1500.0).empty());
    const std::string xyz = dir.Read("ring.xyz");

    // Every 7th record: its speed field cleared, far out of range, or
    // with the flag bit gone.
    {
        std::fstream f(dir.File("ring.31l"), std::ios::in | std::ios::out | std::ios::binary);
        const std::uint8_t damage[3][2] = {{0x00, 0x00}, {0xFF, 0xFF}, {0x3A, 0x98}};
        for (int i = 0; i * 7 < kRevolutionPings * kRevolutions; ++i) {
            f.seekp(static_cast<std::streamoff>(i) * 7 * record::kRecordSize + 46);
            f.write(reinterpret_cast<const char*>(damage[i % 3]), 2);
        }
    }
    conversion::Result damaged;
    Convert(dir, std::nullopt, &damaged);
    EXPECT_EQ(dir.Read("ring.xyz"), xyz);
    EXPECT_EQ(damaged.stored.unreadable,
              static_cast<std::uint64_t>((kRevolutionPings * kRevolutions + 6) / 7));
    EXPECT_EQ(damaged.stored.differing, 0u);
    EXPECT_NE(conversion::StoredSpeedsNote(damaged.stored, 1500.0).find("no readable speed"),
              std::string::npos);
}

} // namespace
