#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "doc/PingBinding.h"
#include "doc/TubescanDoc.h"
#include "sim/FaultPlan.h"
#include "sim/HeadModel.h"

using headproto::HeadCommand;

namespace {

HeadCommand Command(int sectorCode = 120, int trainCode = 60, int step = 3, int rangeCode = 10) {
    HeadCommand c = headproto::kInitialCommand;
    c[headproto::kCmdSectorWidth] = static_cast<std::uint8_t>(sectorCode);
    c[headproto::kCmdTrain] = static_cast<std::uint8_t>(trainCode);
    c[headproto::kCmdStepSize] = static_cast<std::uint8_t>(step);
    c[headproto::kCmdRangeCode] = static_cast<std::uint8_t>(rangeCode);
    return c;
}

// Decodes a simulated record the way the program does.
struct Decoded {
    std::unique_ptr<CTubescanDoc> doc = std::make_unique<CTubescanDoc>();
    bool ok = false;
    explicit Decoded(const sim::HeadModel::Record& r) {
        std::copy_n(r.begin(), 32, doc->Frame().m_reply.header.begin());
        PingWorkspace ws = DocumentWorkspace(*doc);
        ok = DecodeReturnHeader(*doc, ws);
    }
};

} // namespace

TEST(HeadModel, RecordDecodesToTheGeometry) {
    sim::PipeParams p;
    p.offsetX = 0.0;
    p.offsetY = 0.0;
    p.swayPitch = 0.0;
    p.swayRoll = 4.0;
    p.swayPeriod = 4.0;
    sim::HeadModel m(p);
    const auto r = m.Answer(Command(), 1.0 - 1.1 * 4.0 / (2.0 * 3.14159265358979));
    Decoded d(r);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.doc->Run().m_dataPoints, 250);
    EXPECT_EQ(d.doc->Frame().m_replyDataBytes, 250);
    // Centred in a 1 m pipe the wall is 0.5 m away whatever the angle: 1000
    // units of 0.5 mm, less the range the head cannot sample (pulse and
    // receive delay).
    const double blind = m.ReceiveOffset(Command());
    EXPECT_GT(blind, 0.02);
    EXPECT_NEAR(d.doc->Frame().m_profileRange, (0.5 - blind) * 2000.0, 1);
    EXPECT_NEAR(d.doc->Frame().m_beamAngle, m.Angle(), 0.16);
    EXPECT_NEAR(d.doc->Frame().m_roll, 4.0, 0.05); // at the crest of the sway
    EXPECT_EQ(d.doc->Frame().m_rollValid, 128);
    // The strongest echo is in the cell of the wall (1 m range: 4 mm cells).
    const auto* s = r.data() + 32;
    const auto peak = std::max_element(s, s + 250) - s;
    EXPECT_NEAR(static_cast<double>(peak), (0.5 - blind) / 0.004, 2.0);
    // Behind the wall the echo is weaker than at it but above the noise in front.
    EXPECT_LT(s[140], s[peak]);
    EXPECT_GT(s[130], s[20]);
}

TEST(HeadModel, SweepsTheSectorTurnsAtItsEdgesAndHonoursReverse) {
    sim::HeadModel m;
    const auto sector = Command(/*sector*/ 10, /*train*/ 60, /*step*/ 3); // 30 degrees
    double lo = 1e9, hi = -1e9;
    int turns = 0, lastDir = m.Direction();
    for (int i = 0; i < 200; ++i) {
        m.Answer(sector, 0.0);
        double a = m.Angle() > 180.0 ? m.Angle() - 360.0 : m.Angle();
        lo = std::min(lo, a);
        hi = std::max(hi, a);
        if (m.Direction() != lastDir) ++turns;
        lastDir = m.Direction();
    }
    EXPECT_NEAR(lo, -15.0, 1e-6);
    EXPECT_NEAR(hi, 15.0, 1e-6);
    EXPECT_GE(turns, 5); // 33 steps of 0.9 degrees a pass, 200 pings

    // At 360 degrees it keeps turning one way; the reverse flag turns it once.
    sim::HeadModel full;
    for (int i = 0; i < 500; ++i)
        full.Answer(Command(), 0.0);
    EXPECT_EQ(full.Direction(), 1);
    auto reverse = Command();
    reverse[headproto::kCmdFlags] = headproto::kFlagReverse;
    const double before = full.Angle();
    const auto r = full.Answer(reverse, 0.0);
    EXPECT_EQ(full.Direction(), 0);
    EXPECT_NEAR(std::fmod(before - full.Angle() + 360.0, 360.0), 0.9, 1e-6);
    EXPECT_EQ((r[6] >> 6) & 1, 0);
    full.Answer(Command(), 0.0);
    EXPECT_EQ(full.Direction(), 0);
}

TEST(HeadModel, PipeFeaturesShapeTheProfile) {
    sim::PipeParams p;
    p.offsetX = p.offsetY = 0.0;
    p.waterLevel = 0.75; // surface 0.25 m above the centre of a 1 m pipe
    p.debrisHeight = 0.1;
    sim::HeadModel m(p);
    bool water = false;
    EXPECT_NEAR(m.SurfaceRange(0.0, &water), 0.25, 1e-6);
    EXPECT_TRUE(water);
    EXPECT_NEAR(m.SurfaceRange(180.0, &water), 0.4, 1e-3);
    EXPECT_FALSE(water);
    EXPECT_NEAR(m.SurfaceRange(90.0), 0.5, 1e-3);

    sim::PipeParams o;
    o.offsetX = o.offsetY = 0.0;
    o.ovality = 0.1;
    sim::HeadModel oval(o);
    EXPECT_NEAR(oval.SurfaceRange(90.0), 0.55, 1e-3);
    EXPECT_NEAR(oval.SurfaceRange(0.0), 0.45, 1e-3);

    sim::PipeParams h;
    h.shape = sim::PipeShape::HorseShoe;
    h.diameter = 1.6;
    h.height = 2.0;
    h.offsetX = h.offsetY = 0.0;
    sim::HeadModel shoe(h);
    EXPECT_NEAR(shoe.SurfaceRange(0.0), 0.8, 1e-3);         // crown
    EXPECT_NEAR(shoe.SurfaceRange(180.0), 2.0 - 0.8, 1e-3); // lowest point of the invert
    EXPECT_NEAR(shoe.SurfaceRange(90.0), 0.8, 1e-3);        // wall

    // Beyond the selected range the head reports no profile range.
    sim::HeadModel far(h);
    const auto r = far.Answer(Command(120, 60, 3, /*0.5 m*/ 6), 0.0);
    EXPECT_EQ((r[9] << 7) | (r[8] & 0x7F), 0);
}

TEST(HeadModel, OrientationRecordHasTheFieldsWhereTheReaderLooks) {
    const std::string r = sim::OrientationRecord(12.34, -1.5, 12.5);
    ASSERT_EQ(r.size(), 37u);
    EXPECT_EQ(r[0], '$');
    EXPECT_EQ(r.substr(6, 5), "+12.3");
    EXPECT_EQ(r.substr(16, 6), "-001.5");
    EXPECT_EQ(r.substr(27, 8), "+0012.50");
    EXPECT_EQ(sim::OrientationRecord(0.0, -0.04, -3.0).substr(16, 6), "+000.0");
    EXPECT_EQ(sim::OrientationRecord(250.0, 0, 0).substr(6, 5), "+99.9"); // saturates
}

TEST(FaultPlan, CountsPerRunAndPerConnection) {
    sim::FaultOptions o;
    o.badSignatureEvery = 3;
    o.closeAfter = 2;
    sim::FaultPlan plan(o);
    int bad = 0, closes = 0;
    for (int i = 0; i < 4; ++i) {
        const auto f = plan.Next();
        bad += f.badSignature;
        closes += f.closeAfterReply;
    }
    EXPECT_EQ(bad, 1);
    EXPECT_EQ(closes, 2);
    plan.NewConnection();
    EXPECT_FALSE(plan.Next().closeAfterReply); // first reply on the new connection
    EXPECT_TRUE(plan.Next().badSignature);     // sixth overall
}

// A survey the other way with a long odometer: the wall is that of the place
// the head is at, the odometer reads its own scale of the distance travelled.
TEST(HeadModel, TravelsBackFromItsStartWithItsOwnOdometer) {
    sim::PipeParams p;
    p.travelSpeed = 0.5;
    p.startAt = 20.0;
    p.travelDirection = -1.0;
    p.odometerScale = 1.025;
    p.ovalStretches = {{14.0, 16.0, 0.05}};
    sim::HeadModel head(p);
    const headproto::HeadCommand c = headproto::kInitialCommand;
    head.Answer(c, 2.0); // 19 m along the pipe: the pipe's own ovality
    EXPECT_EQ(head.Ovality(), 0.0);
    EXPECT_DOUBLE_EQ(head.Position(2.0), 19.0);
    head.Answer(c, 10.0); // 15 m
    EXPECT_EQ(head.Ovality(), 0.05);
    EXPECT_DOUBLE_EQ(head.Distance(10.0), 1.025 * 5.0);
    head.Answer(c, 20.0); // 10 m, past the stretch
    EXPECT_EQ(head.Ovality(), 0.0);
}
