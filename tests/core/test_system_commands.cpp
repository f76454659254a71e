#include <gtest/gtest.h>

#include "../support/LinkStand.h"
#include "doc/CommandMap.h"
#include "doc/SystemCommands.h"
#include "doc/TubescanDoc.h"

using namespace headproto;

namespace {

struct SystemCommandsTest : ::testing::Test {
    SystemCommandsTest() {
        doc.Frame().m_image.assign(static_cast<std::size_t>(kImageSize) * kImageSize * 3, 0x55);
        doc.Frame().m_imageWidth = doc.Frame().m_imageHeight = kImageSize;
        doc.Display().m_clearOnChange = 0;
        AddSystemCommands(commands, doc, [this] { ++restarts; });
    }
    bool Checked(int id) const { return commands.Update(id).checked.value_or(false); }
    CTubescanDoc doc;
    LinkStand link{doc, LinkState::Up};
    CommandMap commands;
    int restarts = 0;
};

} // namespace

TEST_F(SystemCommandsTest, ScanModesSwapTrainAndWidthAndKeepEachModesOwn) {
    doc.Settings().m_sectorMode = 1;
    doc.SetCommandByte(kCmdTrain, 70);
    doc.SetCommandByte(kCmdSectorWidth, 90);
    doc.Settings().m_trainSector = 40;
    doc.Settings().m_sectorWidthSector = 75; // more than sector mode allows
    doc.SetCommandByte(kCmdStepSize, 1);
    ASSERT_TRUE(commands.Run(32811));
    EXPECT_EQ(doc.Settings().m_sectorMode, 0);
    EXPECT_EQ(doc.Command()[kCmdTrain], 40);
    EXPECT_EQ(doc.Command()[kCmdSectorWidth], 60);
    EXPECT_EQ(doc.Command()[kCmdStepSize], 3);
    EXPECT_EQ(doc.Settings().m_trainPolar, 70) << "the polar settings are kept for the way back";
    EXPECT_EQ(doc.Settings().m_sectorWidthPolar, 90);
    EXPECT_EQ(doc.Frame().m_image[0], 0) << "a mode change clears the picture";
    EXPECT_EQ(doc.Display().m_recentreImage, 1);
    EXPECT_TRUE(Checked(32811));

    ASSERT_TRUE(commands.Run(32810));
    EXPECT_EQ(doc.Command()[kCmdTrain], 70);
    EXPECT_EQ(doc.Command()[kCmdSectorWidth], 90);
    EXPECT_TRUE(Checked(32810));
    EXPECT_FALSE(Checked(32811));

    doc.Run().m_playback = 1;
    EXPECT_FALSE(commands.Update(32810).enabled);
    EXPECT_FALSE(commands.Run(32811));
    EXPECT_EQ(doc.Settings().m_sectorMode, 1);
}

TEST_F(SystemCommandsTest, UpDownTurnsTheBearingAndClears) {
    doc.SetCommandByte(kCmdTrain, 70);
    ASSERT_TRUE(commands.Run(32802));
    EXPECT_EQ(doc.Settings().m_sonarUpDown, 1);
    EXPECT_EQ(doc.Run().m_trainBearing, 330);
    EXPECT_EQ(doc.Frame().m_image[0], 0);
    EXPECT_TRUE(Checked(32802));
    ASSERT_TRUE(commands.Run(32803));
    EXPECT_EQ(doc.Run().m_trainBearing, 30);
    EXPECT_TRUE(Checked(32803));
}

TEST_F(SystemCommandsTest, ModelChoiceRestartsTheLinkOnlyOnAChangeInRealTime) {
    ASSERT_TRUE(commands.Run(32867)); // already the model
    EXPECT_EQ(restarts, 0);
    ASSERT_TRUE(commands.Run(32866));
    EXPECT_EQ(doc.Settings().m_sonarType, 0);
    EXPECT_EQ(restarts, 1);
    EXPECT_TRUE(Checked(32866));
    doc.Run().m_playback = 1;
    EXPECT_FALSE(commands.Run(32867));
    EXPECT_EQ(doc.Settings().m_sonarType, 0);
}

TEST_F(SystemCommandsTest, CaptureFrameReleasesHoldAndPlaybackItemsNeedPlayback) {
    doc.Run().m_hold = 1;
    link.replyPending = true;
    ASSERT_TRUE(commands.Run(32925));
    EXPECT_EQ(doc.Run().m_hold, 1) << "waits for the unanswered command";
    link.replyPending = false;
    ASSERT_TRUE(commands.Run(32925));
    EXPECT_EQ(doc.Run().m_hold, 0);
    EXPECT_EQ(restarts, 1);

    EXPECT_FALSE(commands.Update(32922).enabled);
    EXPECT_FALSE(commands.Update(32864).enabled);
    doc.Run().m_playback = 1;
    doc.Run().m_loopTimeMs = 20;
    EXPECT_TRUE(commands.Update(32864).enabled);
    ASSERT_TRUE(commands.Run(32922));
    EXPECT_TRUE(Checked(32922));
    doc.Run().m_hold = 1;
    ASSERT_TRUE(commands.Run(32925));
    EXPECT_EQ(doc.Run().m_hold, 1) << "single frames are stepped, not released";
    EXPECT_EQ(restarts, 1);
}
