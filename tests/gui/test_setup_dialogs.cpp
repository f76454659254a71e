// The setup dialogs and the diagnostics window in the running program,
// against fake heads on loopback: what the operator types or spins reaches
// the document and the very next head command.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "../link/LinkTestSupport.h"
#include "AppFixture.h"
#include "app/AppRegistry.h"
#include "app/DiagnosticsDlg.h"
#include "app/IpAddressDlg.h"
#include "app/PipeParameterDlg.h"
#include "app/SpinDelta.h"
#include "app/ValueDlg.h"
#include "link/LoopbackGuard.h"

namespace {

constexpr std::size_t kMinRangeByte = 15;

class SetupDialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        ASSERT_TRUE(dir.isValid());
        ASSERT_NE(head.Port(), 0);
        WriteTextFile(dir.filePath("TubescanL.INI"), kLoopbackSettings);
        head.onCommand = [this](const headproto::HeadCommand&) {
            if (!holdReply) head.Send(linktest::Bytes(linktest::MakeRecord()));
        };
        app = std::make_unique<CTubescanApp>();
        app->m_beforeConnect = [this](SonarHost& host) { host.SetHeadPort(head.Port()); };
        ASSERT_TRUE(app->InitInstance({"tubescan"}, dir.path()));
        ASSERT_TRUE(QTest::qWaitFor([this] { return head.commands.size() >= 3; }, 5000));
    }
    void TearDown() override { app.reset(); }

    // Holds the head's answer, runs `change`, answers, returns the next command.
    template <typename F> headproto::HeadCommand NextCommandAfter(F change) {
        holdReply = true;
        std::size_t seen = head.commands.size();
        EXPECT_TRUE(QTest::qWaitFor([&] { return head.commands.size() > seen; }, 3000));
        change();
        seen = head.commands.size();
        head.Send(linktest::Bytes(linktest::MakeRecord()));
        holdReply = false;
        EXPECT_TRUE(QTest::qWaitFor([&] { return head.commands.size() > seen; }, 3000));
        return head.commands.size() > seen ? head.commands[seen] : headproto::HeadCommand{};
    }

    // Runs command `id`, whose modal dialog of type D `drive` operates.
    template <typename D, typename F> void RunDialog(int id, F drive) {
        bool found = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
            found = d != nullptr;
            if (!d) return;
            drive(*d);
            if (d->isVisible()) d->reject(); // never left waiting
        });
        // Whatever else opened, the test does not hang on it.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        guard.start(10000);
        Frame().Action(id)->trigger();
        EXPECT_TRUE(found) << id;
    }

    static void Type(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    static void Click(CSpinDelta* spin, int delta, int times = 1) {
        auto buttons = spin->findChildren<QToolButton*>();
        QToolButton* arrow = buttons.at(delta > 0 ? 0 : 1);
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(arrow, Qt::LeftButton);
    }

    CMainFrame& Frame() { return *app->Registry().mainFrame; }
    CTubescanDoc& Doc() { return *app->Registry().document; }

    linktest::FakeHead head;
    bool holdReply = false;
    QTemporaryDir dir;
    std::unique_ptr<CTubescanApp> app;
    QStringList messages;
};

} // namespace

TEST_F(SetupDialogsTest, MinimumRangeReachesTheNextCommandBySpinAndByOK) {
    // Eleven clicks are 0.11 m; Cancel keeps what the spin already sent.
    auto c = NextCommandAfter([&] {
        RunDialog<CValueDlg>(32924, [](CValueDlg& d) {
            EXPECT_EQ(d.objectName(), "151");
            Click(d.Row().spin, +1, 11);
            EXPECT_EQ(d.Row().edit->text(), "0.11");
            d.reject();
        });
    });
    EXPECT_EQ(c[kMinRangeByte], 11);
    EXPECT_DOUBLE_EQ(Doc().Settings().m_profileMinRange, 0.11);

    c = NextCommandAfter([&] {
        RunDialog<CValueDlg>(32924, [this](CValueDlg& d) {
            d.showMessage = [this](const QString& m) { messages << m; };
            Type(d.Row().edit, "abc");
            EXPECT_TRUE(d.isVisible()) << "refused text keeps the dialog open";
            Type(d.Row().edit, "0.29");
            EXPECT_FALSE(d.isVisible());
        });
    });
    EXPECT_EQ(messages,
              QStringList{"Wrong Input!!! Make sure the input is between 0.0 and 2.5   "});
    EXPECT_EQ(c[kMinRangeByte], 29);
}

TEST_F(SetupDialogsTest, SoundVelocityAndPipeParameterTakeTypedAndSpunValues) {
    RunDialog<CValueDlg>(32801, [this](CValueDlg& d) {
        EXPECT_EQ(d.objectName(), "141");
        d.showMessage = [this](const QString& m) { messages << m; };
        Type(d.Row().edit, "1399.9");
        Click(d.Row().spin, -1, 3);
        EXPECT_EQ(d.Row().edit->text(), "1499.7");
        Type(d.Row().edit, " 1487.5 ");
    });
    EXPECT_EQ(messages.size(), 1);
    EXPECT_DOUBLE_EQ(Doc().Settings().m_soundVelocity, 1487.5);

    Doc().Settings().m_units = 2; // inches
    const double width = Doc().Settings().m_horseShoeWidth;
    RunDialog<CPipeParameterDlg>(32892, [&](CPipeParameterDlg& d) {
        EXPECT_EQ(d.findChild<QLabel*>("1086")->text(), "Input in Inches");
        EXPECT_EQ(d.WidthRow().edit->text(), "63.0 ''"); // 1.6 m
        Click(d.WidthRow().spin, +1);
        EXPECT_EQ(d.WidthRow().edit->text(), "63.1 ''") << "one tenth of an inch";
        EXPECT_NEAR(Doc().Settings().m_horseShoeWidth, 63.1 * 0.3048 / 12, 1e-9);
        d.reject();
    });
    EXPECT_NE(Doc().Settings().m_horseShoeWidth, width) << "a cancelled dialog keeps its spins";

    messages.clear();
    RunDialog<CPipeParameterDlg>(32892, [this](CPipeParameterDlg& d) {
        d.showMessage = [this](const QString& m) { messages << m; };
        d.findChild<QWidget*>("1082")->setFocus();
        QTest::keyClick(d.findChild<QWidget*>("1082"), Qt::Key_Space); // HorseShoe
        Type(d.DiameterRow().edit, "-5");
        EXPECT_TRUE(d.isVisible());
        Type(d.DiameterRow().edit, "39.4 ''");
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(messages.size(), 1);
    EXPECT_NEAR(Doc().Settings().m_circleDiameter, 39.4 * 0.3048 / 12, 1e-9);
    EXPECT_EQ(Doc().Settings().m_pipeShape, 1);
}

TEST_F(SetupDialogsTest, IpAddressMovesTheLinkToAnotherLoopbackHead) {
    // The dialog is given an address off this machine: only the guard keeps
    // the link from contacting it.
    ASSERT_TRUE(loopback::LoopbackOnly()) << "the test command sets " << loopback::kEnvVar;
    linktest::FakeHead other(QHostAddress("127.0.0.2"), head.Port());
    ASSERT_EQ(other.Port(), head.Port()) << "port taken on 127.0.0.2";
    RunDialog<CIpAddressDlg>(32798, [this](CIpAddressDlg& d) {
        EXPECT_EQ(d.Edit()->text(), "127.0.0.1");
        d.showMessage = [this](const QString& m) { messages << m; };
        Type(d.Edit(), "10.0.0.1"); // refused while held to loopback
        Type(d.Edit(), "1.2.3");
        EXPECT_TRUE(d.isVisible());
        Type(d.Edit(), "127.0.0.2");
    });
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(Doc().Settings().m_ipAddress, "127.0.0.2");
    EXPECT_TRUE(QTest::qWaitFor([&] { return other.commands.size() >= 3; }, 5000));
}

TEST_F(SetupDialogsTest, DiagnosticsWindowFillsInLiveAndFollowsItsCommand) {
    auto* window = qobject_cast<CDiagnosticsDlg*>(app->Registry().diagnostics);
    ASSERT_NE(window, nullptr) << "created with the document";
    EXPECT_FALSE(window->isVisible());
    Frame().Action(32799)->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(Frame().Action(32799)->isChecked());
    QLabel* header = window->findChild<QLabel*>("1017");
    QLabel* profile = window->findChild<QLabel*>("1035");
    EXPECT_TRUE(QTest::qWaitFor([&] { return header->text() == ":   IMX"; }, 3000));
    EXPECT_EQ(profile->text(), ":   1000");
    EXPECT_EQ(window->findChild<QLabel*>("1036")->text(), ":   127.0.0.1");

    QTest::keyClick(window, Qt::Key_H);
    EXPECT_EQ(Doc().Run().m_hold, 1);
    QTest::keyClick(window, Qt::Key_H);
    EXPECT_EQ(Doc().Run().m_hold, 0);

    window->close();
    EXPECT_EQ(Doc().Settings().m_diagnosticsVisible, 0);
    Frame().UpdateCommandUi();
    EXPECT_FALSE(Frame().Action(32799)->isChecked());
}
