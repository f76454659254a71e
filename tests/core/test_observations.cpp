// Coded observations from synthetic scans: an oval stretch and a debris
// stretch give the right codes, clock positions, values and continuous
// start and finish in both text forms.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>

#include "analysis/Observations.h"

namespace {

using namespace analysis;

ObservedScan Scan(double distance, double ovality, double minBearing, double debrisPct) {
    ObservedScan s;
    s.figures.distance = distance;
    s.figures.ovality = ovality;
    s.figures.minDiameterBearing = minBearing;
    s.figures.nominalArea = 1.0;
    s.figures.debrisArea = debrisPct / 100.0;
    s.figures.centreX = s.figures.centreY = 0.0;
    return s;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back(l);
    }
    return out;
}

} // namespace

TEST(Observations, ClockPositionsAndTheLowerHalfsInwardExtent) {
    const std::pair<double, int> clocks[] = {{0, 12},  {14, 12}, {16, 1},   {90, 3},
                                             {180, 6}, {270, 9}, {359, 12}, {-30, 11}};
    for (const auto& [bearing, hour] : clocks)
        EXPECT_EQ(ClockOf(bearing), hour) << bearing;

    ScanFigures f;
    f.centreX = 0.1, f.centreY = 0.2;
    std::vector<AnalysedPoint> pts;
    for (int b = 0; b < 360; b += 10) {
        const double r = b * std::numbers::pi / 180.0;
        // Inward beyond the deadband from 150 to 240 degrees, and at the
        // crown (upper half: not a deposit), and NaN somewhere below.
        const double dev = (b >= 150 && b <= 240) || b == 0 ? 0.05 : (b == 120 ? kNoValue : 0.001);
        pts.push_back({f.centreX + std::sin(r), f.centreY + std::cos(r), dev});
    }
    const DepositExtent e = LowerInwardExtent(pts, f, 0.01);
    ASSERT_TRUE(e.found);
    EXPECT_NEAR(e.from, 150.0, 1e-9);
    EXPECT_NEAR(e.to, 240.0, 1e-9);
    f.centreX = kNoValue;
    EXPECT_FALSE(LowerInwardExtent(pts, f, 0.01).found);
}

TEST(Observations, OvalAndDebrisStretchesBecomeContinuousDefects) {
    std::vector<ObservedScan> scans;
    // 10.0-10.4 m oval (min diameter at 100 deg: across, 3-9 o'clock), peak
    // 6.4 %; a lone oval scan at 12 m; 20.0-20.2 m debris up to 12 %,
    // between 5 and 7 o'clock; a scan without figures splits nothing else.
    for (int i = 0; i < 40; ++i) {
        const double at = 8.0 + 0.2 * i;
        const bool oval = at >= 9.99 && at <= 10.41;
        const double ovality = oval ? (std::fabs(at - 10.2) < 0.01 ? 6.4 : 3.0) : 0.5;
        const bool debris = at >= 11.99 && at <= 12.21;
        ObservedScan s =
            Scan(at, ovality, 100.0, debris ? (std::fabs(at - 12.0) < 0.01 ? 12 : 7) : 1);
        if (debris) s.deposit = {true, std::fabs(at - 12.2) < 0.01 ? 140.0 : 160.0, 205.0};
        scans.push_back(s);
    }
    scans.push_back(Scan(16.0, 4.0, 10.0, 0.0)); // one oval scan, min diameter up-down
    scans.push_back(Scan(16.2, kNoValue, kNoValue, kNoValue));

    ObservationThresholds t;
    const auto obs = FindObservations(scans, t);
    ASSERT_EQ(obs.size(), 3u);
    EXPECT_EQ(obs[0].kind, ObservationKind::Deformation);
    EXPECT_NEAR(obs[0].start, 10.0, 1e-9);
    EXPECT_NEAR(obs[0].finish, 10.4, 1e-9);
    EXPECT_DOUBLE_EQ(obs[0].value, 6.4);
    EXPECT_EQ(obs[0].clockFrom, 3);
    EXPECT_EQ(obs[0].clockTo, 9);
    EXPECT_FALSE(obs[0].vertical);
    EXPECT_FALSE(obs[2].Continuous());
    EXPECT_TRUE(obs[2].vertical);
    EXPECT_EQ(obs[2].kind, ObservationKind::Deformation);
    EXPECT_EQ(obs[1].kind, ObservationKind::SettledDeposit);
    EXPECT_NEAR(obs[1].start, 12.0, 1e-9);
    EXPECT_NEAR(obs[1].finish, 12.2, 1e-9);
    EXPECT_DOUBLE_EQ(obs[1].value, 12.0);
    EXPECT_EQ(obs[1].clockFrom, 5); // the widest of the stretch: 140 deg
    EXPECT_EQ(obs[1].clockTo, 7);

    const auto en = Lines(En13508Text(obs, "a;b.31l"));
    ASSERT_GE(en.size(), 15u);
    EXPECT_EQ(en[0].rfind("#A1=", 0), 0u);
    EXPECT_EQ(en[5], "#A6=\""); // text is quoted
    EXPECT_EQ(en[6], "#B01=ADE;");
    // A ";" inside the quotes would otherwise split the field.
    EXPECT_EQ(en[7].rfind("\"recording a;b.31l (", 0), 0u) << en[7];
    EXPECT_EQ(en[8], "#C=I;J;A;B;C;D;G;H;F;");
    EXPECT_EQ(en[9], "10.00;S01;BAA;B;;6;03;09;;");
    EXPECT_EQ(en[10], "10.40;F01;BAA;B;;6;03;09;;");
    EXPECT_EQ(en[11], "12.00;S02;BBC;Z;;12;05;07;material not identified by sonar;");
    EXPECT_EQ(en[12], "12.20;F02;BBC;Z;;12;05;07;material not identified by sonar;");
    EXPECT_EQ(en[13], "16.00;;BAA;A;;4;12;06;;");
    EXPECT_EQ(en.back(), "#Z");

    const auto csv = Lines(ConditionsCsv(obs));
    ASSERT_EQ(csv.size(), 6u);
    EXPECT_EQ(csv[0], "distance_m,code,clock_from,clock_to,value_pct,continuous,remarks");
    EXPECT_EQ(csv[1].rfind("10.00,DFE,03,09,6,S01,", 0), 0u) << csv[1];
    EXPECT_EQ(csv[2].rfind("10.40,DFE,03,09,6,F01,", 0), 0u) << csv[2];
    EXPECT_EQ(csv[3].rfind("12.00,DSZ,05,07,12,S02,", 0), 0u) << csv[3];
    EXPECT_EQ(csv[4].rfind("12.20,DSZ,05,07,12,F02,", 0), 0u) << csv[4];
    EXPECT_EQ(csv[5].rfind("16.00,DFE,12,06,4,,", 0), 0u) << csv[5];

    // Raised thresholds leave only what is over them.
    t.ovality = 5.0;
    t.depositLoss = 20.0;
    EXPECT_EQ(FindObservations(scans, t).size(), 1u);
}
