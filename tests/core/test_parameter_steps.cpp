#include <gtest/gtest.h>

#include "../support/DocumentSpy.h"
#include "doc/ParameterSteps.h"
#include "doc/TubescanDoc.h"

using namespace params;
using namespace headproto;

namespace {

// A document with a counter on OnParametersChanged's refresh.
struct Doc {
    CTubescanDoc doc;
    DocumentSpy spy{doc};
    const int& refreshed = spy.parameterRefreshes;
    int Code(std::size_t byte) const { return doc.Command()[byte]; }
};

} // namespace

TEST(RangeKeyIn, TypedValuesSelectTheRangeAtOrBelow) {
    struct Case {
        const char* text;
        int units;
        int index;
        int code;
    };
    const Case cases[] = {{"2.5", 0, 5, 20}, {"7", 0, 9, 60},  {"0.1", 0, 0, 2},  {"9", 1, 6, 30},
                          {"0", 0, 0, 2},    {"abc", 0, 0, 2}, {"0.75", 0, 3, 8}, {"1.5", 2, 2, 6}};
    for (const Case& c : cases) {
        Doc d;
        d.doc.Settings().m_units = c.units;
        EXPECT_TRUE(KeyInEnter(d.doc, KeyInKind::Range, c.text)) << c.text;
        EXPECT_EQ(d.doc.Settings().m_rangeIndex, c.index) << c.text;
        EXPECT_EQ(d.Code(kCmdRangeCode), c.code) << c.text;
        EXPECT_EQ(d.doc.Settings().m_range, kRangeTable[static_cast<std::size_t>(c.index)])
            << c.text;
        EXPECT_EQ(d.refreshed, 1);
    }
    Doc d;
    EXPECT_FALSE(KeyInEnter(d.doc, KeyInKind::Range, ""));
    EXPECT_FALSE(KeyInEnter(d.doc, KeyInKind::Range, "-2"));
    EXPECT_EQ(d.refreshed, 0);
    EXPECT_EQ(d.doc.Settings().m_rangeIndex, 3);
}

TEST(OtherKeyIns, SectorTrainAndGainRules) {
    Doc d;
    auto sector = [&](const char* t, int mode) {
        d.doc.Settings().m_sectorMode = mode;
        d.doc.SetCommandByte(kCmdSectorWidth, 99);
        KeyInEnter(d.doc, KeyInKind::Sector, t);
        return d.Code(kCmdSectorWidth);
    };
    EXPECT_EQ(sector("3", 1), 0);
    EXPECT_EQ(sector("4", 1), 3);
    EXPECT_EQ(sector("400", 1), 120);
    EXPECT_EQ(sector("400", 0), 60);
    EXPECT_EQ(sector("99999999999999", 1), 120);
    EXPECT_EQ(d.doc.Settings().m_sectorWidthPolar, 120); // the mode's memory follows

    auto train = [&](const char* t, int upDown) {
        d.doc.Settings().m_sonarUpDown = upDown;
        d.doc.SetCommandByte(kCmdTrain, 33);
        KeyInEnter(d.doc, KeyInKind::Train, t);
        return d.Code(kCmdTrain);
    };
    EXPECT_EQ(train("355", 0), 120);
    EXPECT_EQ(train("365", 0), 0);
    EXPECT_EQ(train("0", 1), 120);
    // The typed angle is in the head's own train frame: 90 is code 30, which
    // the picture shows as bearing 270.
    EXPECT_EQ(train("90", 0), 30);
    EXPECT_EQ(d.doc.Run().m_trainBearing, 270);

    d.doc.SetCommandByte(kCmdGain, 6);
    d.doc.Settings().m_gain = 6;
    KeyInEnter(d.doc, KeyInKind::Gain, "55");
    EXPECT_EQ(d.doc.Settings().m_gain, 40);
    EXPECT_EQ(d.Code(kCmdGain), 40);
    const int before = d.refreshed;
    EXPECT_TRUE(KeyInEnter(d.doc, KeyInKind::Gain, "-3"));
    EXPECT_EQ(d.doc.Settings().m_gain, 40);
    EXPECT_EQ(d.refreshed, before + 1); // a negative gain still refreshes
}

TEST(KeyInPrompts, TextsAndRefusals) {
    CTubescanDoc doc;
    EXPECT_EQ(KeyInPrompt(doc, KeyInKind::Range), "Range (0.125, 0.25, 0.5, 0.75, 1,..,6) m");
    doc.Settings().m_units = 2;
    EXPECT_EQ(KeyInPrompt(doc, KeyInKind::Range), "Range (0.375, 0.75, 1.5, 2.25, 3,..,18) ft ");
    EXPECT_EQ(KeyInPrompt(doc, KeyInKind::Sector), "Key In Sctor Width: (0-360 deg.)");
    doc.Settings().m_sectorMode = 2;
    EXPECT_EQ(KeyInPrompt(doc, KeyInKind::Sector), "");
    EXPECT_EQ(KeyInPrompt(doc, KeyInKind::Train), "Key In Train Angle: (0-351 deg.)");
    doc.Run().m_playback = 1;
    EXPECT_EQ(KeyInPrompt(doc, KeyInKind::Gain), "");
}

TEST(StepCommands, RangeAndGainLimits) {
    Doc d;
    d.doc.Settings().m_rangeIndex = 9;
    d.doc.Display().m_clearOnChange = 0;
    RangeStep(d.doc, +1);
    EXPECT_EQ(d.doc.Settings().m_rangeIndex, 9);
    EXPECT_EQ(d.doc.Settings().m_range, 6.0);
    EXPECT_EQ(d.Code(kCmdRangeCode), 60);
    EXPECT_EQ(d.doc.Display().m_clearOnChange, 0); // consumed by OnParametersChanged
    EXPECT_EQ(d.refreshed, 1);
    d.doc.Settings().m_rangeIndex = 1;
    RangeStep(d.doc, -1);
    EXPECT_EQ(d.Code(kCmdRangeCode), 2);

    d.doc.Settings().m_gain = 40;
    GainStep(d.doc, +1);
    EXPECT_EQ(d.doc.Settings().m_gain, 40);
    d.doc.Settings().m_gain = 0;
    GainStep(d.doc, -1);
    EXPECT_EQ(d.doc.Settings().m_gain, 0);
    EXPECT_EQ(d.Code(kCmdGain), 0);
}

TEST(StepCommands, SectorAndTrainSteps) {
    Doc d;
    // Full circle: train steps are ignored.
    d.doc.SetCommandByte(kCmdSectorWidth, 120);
    d.doc.SetCommandByte(kCmdTrain, 60);
    TrainStep(d.doc, +1);
    EXPECT_EQ(d.Code(kCmdTrain), 60);

    SectorStep(d.doc, -1);
    EXPECT_EQ(d.Code(kCmdSectorWidth), 117);
    d.doc.SetCommandByte(kCmdTrain, 120);
    TrainStep(d.doc, +1);
    EXPECT_EQ(d.Code(kCmdTrain), 0);
    TrainStep(d.doc, -1);
    EXPECT_EQ(d.Code(kCmdTrain), 120);
    d.doc.Settings().m_sonarUpDown = 1;
    TrainStep(d.doc, +1); // an inverted head steps the other way
    EXPECT_EQ(d.Code(kCmdTrain), 117);

    d.doc.SetCommandByte(kCmdTrain, 30);
    SectorStep(d.doc, +5); // reaches the full circle
    EXPECT_EQ(d.Code(kCmdSectorWidth), 120);
    EXPECT_EQ(d.Code(kCmdTrain), 60);
    EXPECT_EQ(d.doc.Settings().m_trainPolar, 60);

    SectorStep(d.doc, -100);
    EXPECT_EQ(d.Code(kCmdSectorWidth), 0);
}

TEST(StepCommands, NothingChangesDuringPlaybackButTheProfileSpin) {
    Doc d;
    d.doc.Run().m_playback = 1;
    const auto command = d.doc.Command();
    RangeStep(d.doc, 1);
    GainStep(d.doc, 1);
    SectorStep(d.doc, -1);
    TrainStep(d.doc, 1);
    RangeSpin(d.doc, 1);
    GainSpin(d.doc, 1);
    RangeSpinReleased(d.doc, 0);
    EXPECT_EQ(d.doc.Command(), command);
    EXPECT_EQ(d.doc.Settings().m_rangeIndex, 3);
    EXPECT_EQ(d.refreshed, 0);
    ProfileSpin(d.doc, -1);
    EXPECT_EQ(d.doc.Settings().m_profileDispMode, 1);
    EXPECT_EQ(d.doc.Display().m_profileMix, 0.0);
    EXPECT_EQ(d.refreshed, 1);
}

TEST(Spins, LimitsSendNothing) {
    Doc d;
    d.doc.Settings().m_rangeIndex = 9;
    RangeSpin(d.doc, 1);
    d.doc.Settings().m_gain = 40;
    d.doc.SetCommandByte(kCmdGain, 40);
    GainSpin(d.doc, 1);
    EXPECT_EQ(d.refreshed, 0);
    d.doc.Settings().m_profileDispMode = 0;
    ProfileSpin(d.doc, 1); // up arrow at "Off" stays "Off"
    EXPECT_EQ(d.doc.Settings().m_profileDispMode, 0);
    ProfileSpin(d.doc, -3);
    EXPECT_EQ(d.doc.Settings().m_profileDispMode, 3);
    EXPECT_EQ(d.doc.Display().m_profileMix, 0.5);
}

TEST(SurfaceTexts, RangeGainSectorTrain) {
    CTubescanDoc doc;
    doc.Settings().m_rangeIndex = 4;
    EXPECT_EQ(PanelRangeText(doc), "1.00 m");
    EXPECT_EQ(MiniBarRangeText(doc), "1.000 m");
    doc.Settings().m_rangeIndex = 0;
    EXPECT_EQ(PanelRangeText(doc), "0.125 m");
    EXPECT_EQ(MiniBarRangeText(doc), "0.125 m");
    doc.Settings().m_units = 1;
    EXPECT_EQ(PanelRangeText(doc), "0.375 ft");
    doc.Settings().m_rangeIndex = 4;
    EXPECT_EQ(PanelRangeText(doc), "3.00 ft");
    EXPECT_EQ(MiniBarRangeText(doc), "3.000 ft");
    doc.Settings().m_rangeIndex = 6;
    EXPECT_EQ(MiniBarRangeText(doc), "9.000 ft");
    doc.Settings().m_gain = 12;
    EXPECT_EQ(GainText(doc), "12 dB");
    doc.SetCommandByte(kCmdSectorWidth, 40);
    EXPECT_EQ(SectorText(doc), "120 deg.");
    doc.Run().m_trainBearing = 360;
    EXPECT_EQ(TrainText(doc), "360 deg.");
    EXPECT_EQ(ProfileModeText(4), "High MIx");
}

TEST(DiameterKeys, ActOnlyWhileTheShapeIsShown) {
    CTubescanDoc doc;
    doc.Settings().m_circleDiameter = 0.105;
    EXPECT_FALSE(DiameterStep(doc, -1));
    EXPECT_EQ(doc.Settings().m_circleDiameter, 0.105);
    doc.Settings().m_displayPipeShape = 1;
    EXPECT_TRUE(DiameterStep(doc, -1));
    EXPECT_EQ(doc.Settings().m_circleDiameter, 0.1);
    EXPECT_TRUE(DiameterStep(doc, +1));
    EXPECT_NEAR(doc.Settings().m_circleDiameter, 0.11, 1e-12);
}
