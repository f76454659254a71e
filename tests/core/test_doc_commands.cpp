#include <gtest/gtest.h>

#include "../support/DocumentSpy.h"
#include "doc/CommandMap.h"
#include "doc/DocCommands.h"
#include "doc/TubescanDoc.h"

namespace {

struct DocCommandsTest : ::testing::Test {
    DocCommandsTest() {
        doc.Frame().m_image.assign(static_cast<std::size_t>(kImageSize) * kImageSize * 3, 0x55);
        doc.Frame().m_imageWidth = doc.Frame().m_imageHeight = kImageSize;
        AddDocumentCommands(commands, doc);
    }
    bool Checked(int id) const { return commands.Update(id).checked.value_or(false); }
    CTubescanDoc doc;
    DocumentSpy spy{doc};
    CommandMap commands;
    const int& redraws = spy.viewUpdates;
};

} // namespace

TEST(CommandMap, UnknownCommandsAreShownDisabledAndNeverRun) {
    CommandMap map;
    int runs = 0;
    EXPECT_TRUE(map.Add(1, {[&](int) { ++runs; }, [](int) { return CommandUi{false, {}}; }}));
    EXPECT_FALSE(map.Add(1, {[&](int) { runs += 100; }, {}})); // first handler kept
    EXPECT_FALSE(map.Update(2).enabled);
    EXPECT_FALSE(map.Run(2));
    EXPECT_FALSE(map.Run(1)); // disabled by its own rule
    EXPECT_EQ(runs, 0);
}

TEST_F(DocCommandsTest, ZoomStepsClampAndClearThePicture) {
    struct Step {
        double from;
        int id;
        double to;
    };
    for (const Step s : {Step{1.75, 32822, 2.0}, Step{2.0, 32822, 3.0}, Step{3.0, 32822, 3.0},
                         Step{3.0, 32823, 2.0}, Step{2.0, 32823, 1.75}, Step{0.5, 32823, 0.5}}) {
        doc.Settings().m_zoom = s.from;
        doc.Frame().m_image[0] = 0x55;
        ASSERT_TRUE(commands.Run(s.id));
        EXPECT_DOUBLE_EQ(doc.Settings().m_zoom, s.to) << s.from << " " << s.id;
        EXPECT_EQ(doc.Frame().m_image[0], 0) << "zoom change clears to the background";
    }
    EXPECT_EQ(redraws, 6);
}

TEST_F(DocCommandsTest, ZoomFactorItemsSetAndCheckExactValuesOnly) {
    ASSERT_TRUE(commands.Run(32781));
    EXPECT_DOUBLE_EQ(doc.Settings().m_zoom, 0.5);
    ASSERT_TRUE(commands.Run(32786));
    EXPECT_DOUBLE_EQ(doc.Settings().m_zoom, 1.75);
    EXPECT_TRUE(Checked(32786));
    ASSERT_TRUE(commands.Run(32788));
    EXPECT_DOUBLE_EQ(doc.Settings().m_zoom, 3.0);
    ASSERT_TRUE(commands.Run(32789));
    EXPECT_DOUBLE_EQ(doc.Settings().m_zoom, 4.0);
    doc.Settings().m_zoom = 1.3; // from a settings file
    for (int id = 32781; id <= 32789; ++id)
        EXPECT_FALSE(Checked(id)) << id;
}

TEST_F(DocCommandsTest, RealTimeOnlyCommandsAreDisabledDuringPlayback) {
    for (int id : {32888, 32889, 32890, 32891})
        EXPECT_TRUE(commands.Update(id).enabled) << id;
    doc.Run().m_playback = 1;
    for (int id : {32888, 32889, 32890, 32891}) {
        EXPECT_FALSE(commands.Update(id).enabled) << id;
        EXPECT_FALSE(commands.Run(id)) << id;
    }
    // Display commands stay available in playback.
    for (int id : {32791, 32825, 32822, 32771, 32829, 32842, 32850})
        EXPECT_TRUE(commands.Update(id).enabled) << id;
}

TEST_F(DocCommandsTest, TransducerCommandsRecomputeTheTrainBearing) {
    doc.SetCommandByte(headproto::kCmdTrain, 70);
    ASSERT_TRUE(commands.Run(32888));
    EXPECT_EQ(doc.Run().m_trainBearing, 30);
    EXPECT_TRUE(Checked(32888));
    EXPECT_FALSE(Checked(32889));
    ASSERT_TRUE(commands.Run(32889));
    EXPECT_EQ(doc.Run().m_trainBearing, 330);
    EXPECT_EQ(doc.Settings().m_sonarUpDown, 1);
    ASSERT_TRUE(commands.Run(32891));
    EXPECT_EQ(doc.Settings().m_zeroUpDown, 1);
    EXPECT_TRUE(Checked(32891));
    EXPECT_FALSE(Checked(32890));
}

TEST_F(DocCommandsTest, ChoicesAndTogglesShowTheirCheckMarks) {
    ASSERT_TRUE(commands.Run(32776));
    EXPECT_EQ(doc.Settings().m_colorTable, 5);
    EXPECT_TRUE(Checked(32776));
    EXPECT_FALSE(Checked(32771));
    ASSERT_TRUE(commands.Run(32844));
    EXPECT_EQ(doc.Settings().m_units, 2);
    ASSERT_TRUE(commands.Run(32851));
    EXPECT_EQ(doc.Settings().m_profileDispMode, 1);
    EXPECT_DOUBLE_EQ(doc.Display().m_profileMix, 0.0);
    ASSERT_TRUE(commands.Run(32852));
    EXPECT_DOUBLE_EQ(doc.Display().m_profileMix, 0.25);
    ASSERT_TRUE(commands.Run(32830));
    EXPECT_EQ(doc.Settings().m_gridType, 2);
    EXPECT_TRUE(Checked(32830));
    doc.Settings().m_viewRangeMark = 0;
    ASSERT_TRUE(commands.Run(32827));
    EXPECT_TRUE(Checked(32827));
    ASSERT_TRUE(commands.Run(32827));
    EXPECT_FALSE(Checked(32827));
}

TEST_F(DocCommandsTest, DrawingModesExcludeEachOther) {
    ASSERT_TRUE(commands.Run(32885)); // text input on
    EXPECT_EQ(doc.Display().m_textInputMode, 1);
    ASSERT_TRUE(commands.Run(32886)); // measuring on turns text input off
    EXPECT_EQ(doc.Display().m_measureMode, 1);
    EXPECT_EQ(doc.Display().m_textInputMode, 0);
    // Moving the shape needs the overlay on screen; its update clears the mode otherwise.
    doc.Display().m_moveShapeMode = 1;
    EXPECT_FALSE(commands.Update(32902).enabled);
    EXPECT_EQ(doc.Display().m_moveShapeMode, 0);
    ASSERT_TRUE(commands.Run(32951));
    EXPECT_EQ(doc.Settings().m_displayPipeShape, 1);
    ASSERT_TRUE(commands.Run(32902));
    EXPECT_EQ(doc.Display().m_moveShapeMode, 1);
    EXPECT_EQ(doc.Display().m_measureMode, 0);
    ASSERT_TRUE(commands.Run(32911));
    EXPECT_EQ(doc.Display().m_deleteTextRequest, 1);
    EXPECT_EQ(doc.Display().m_deleteLinesRequest, 1);
}

TEST_F(DocCommandsTest, DefaultColoursAreTheNewDocumentsColours) {
    const CTubescanDoc fresh;
    doc.Settings().m_pointsColor = doc.Settings().m_gridColor = doc.Settings().m_bkColor = 0x123456;
    doc.Settings().m_textColor = doc.Settings().m_circleColor = doc.Settings().m_lineColor =
        0x654321;
    ASSERT_TRUE(commands.Run(32912));
    EXPECT_EQ(doc.Settings().m_pointsColor, fresh.Settings().m_pointsColor);
    EXPECT_EQ(doc.Settings().m_gridColor, fresh.Settings().m_gridColor);
    EXPECT_EQ(doc.Settings().m_bkColor, fresh.Settings().m_bkColor);
    EXPECT_EQ(doc.Settings().m_textColor, fresh.Settings().m_textColor);
    EXPECT_EQ(doc.Settings().m_circleColor, fresh.Settings().m_circleColor);
    EXPECT_EQ(doc.Settings().m_lineColor, fresh.Settings().m_lineColor);
}

TEST_F(DocCommandsTest, RestoreImageIsServedByTheNextRepaint) {
    ASSERT_TRUE(commands.Run(32825));
    EXPECT_EQ(doc.Display().m_recentreImage, 1);
    EXPECT_EQ(redraws, 1);
}
