// The program started in-process against a fake head on 127.0.0.1: each
// operator change made through the main window reaches the head on the very
// next command.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "../link/LinkTestSupport.h"
#include "AppFixture.h"
#include "view/TubescanView.h"

namespace {

// Byte offsets in the 27-byte head command, as the head reads them.
constexpr std::size_t kRangeByte = 3;
constexpr std::size_t kGainByte = 8;
constexpr std::size_t kTrainByte = 11;
constexpr std::size_t kSectorByte = 12;

class ParameterLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        ASSERT_TRUE(dir.isValid());
        ASSERT_NE(head.Port(), 0);
        WriteTextFile(dir.filePath("TubescanL.INI"), kLoopbackSettings);
        // The head answers until told to hold its reply; a held command leaves
        // the program waiting, so nothing older is on its way when a change is made.
        head.onCommand = [this](const headproto::HeadCommand&) {
            if (holdReply)
                ++unanswered;
            else
                head.Send(linktest::Bytes(linktest::MakeRecord()));
        };
        app = std::make_unique<CTubescanApp>();
        app->m_beforeConnect = [this](SonarHost& host) { host.SetHeadPort(head.Port()); };
        ASSERT_TRUE(app->InitInstance({"tubescan"}, dir.path()));
        ASSERT_TRUE(QTest::qWaitFor([this] { return head.commands.size() >= 3; }, 5000))
            << "the program never reached the fake head";
        HoldTheCycle();
    }
    void TearDown() override { app.reset(); }

    void HoldTheCycle() {
        holdReply = true;
        unanswered = 0;
        ASSERT_TRUE(QTest::qWaitFor([this] { return unanswered > 0; }, 3000));
    }

    // Runs `change`, answers the held command and returns the next command sent.
    template <typename F> headproto::HeadCommand NextCommandAfter(F change) {
        change();
        const std::size_t seen = head.commands.size();
        unanswered = 0;
        head.Send(linktest::Bytes(linktest::MakeRecord()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return head.commands.size() > seen; }, 3000));
        if (head.commands.size() <= seen) return {};
        return head.commands[seen];
    }

    // Types `text` into the key-in box the view's `key` opens and presses Enter.
    void KeyIn(Qt::Key key, const QString& text) {
        QTest::keyClick(Frame().View(), key);
        QWidget* box = app->Registry().keyInBox;
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(box->isVisible());
        auto* edit = box->findChild<QLineEdit*>("1046");
        ASSERT_NE(edit, nullptr);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_FALSE(box->isVisible());
    }

    CMainFrame& Frame() { return *app->Registry().mainFrame; }
    CTubescanDoc& Doc() { return *app->Registry().document; }

    linktest::FakeHead head;
    bool holdReply = false;
    int unanswered = 0;
    QTemporaryDir dir;
    std::unique_ptr<CTubescanApp> app;
};

} // namespace

TEST_F(ParameterLinkTest, EachChangeRidesOnTheNextCommand) {
    const headproto::HeadCommand before = head.commands.back();

    // Range step up (F2 / tool bar): one index up from where the settings left it.
    ASSERT_LT(Doc().Settings().m_rangeIndex, 9);
    const int rangeCode =
        headproto::kRangeCodes[static_cast<std::size_t>(Doc().Settings().m_rangeIndex + 1)];
    ASSERT_NE(before[kRangeByte], rangeCode);
    headproto::HeadCommand c = NextCommandAfter([&] { Frame().Action(32874)->trigger(); });
    EXPECT_EQ(c[kRangeByte], rangeCode);

    // Gain typed after "g" in the view.
    ASSERT_NE(c[kGainByte], 23);
    c = NextCommandAfter([&] { KeyIn(Qt::Key_G, "23"); });
    EXPECT_EQ(c[kGainByte], 23);
    EXPECT_EQ(c[kRangeByte], rangeCode); // earlier changes stay

    // Sector step down from the tool bar: 9 degrees narrower.
    const int sector = c[kSectorByte];
    ASSERT_GE(sector, 3);
    c = NextCommandAfter([&] { Frame().Action(32871)->trigger(); });
    EXPECT_EQ(c[kSectorByte], sector - 3);

    // Train typed after "t": 90 degrees is code 30.
    ASSERT_NE(c[kTrainByte], 30);
    c = NextCommandAfter([&] { KeyIn(Qt::Key_T, "90"); });
    EXPECT_EQ(c[kTrainByte], 30);
    EXPECT_EQ(c[kGainByte], 23);
    EXPECT_EQ(c[kSectorByte], sector - 3);
}
