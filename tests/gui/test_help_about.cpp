#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "AppFixture.h"
#include "app/AboutDlg.h"
#include "app/HelpDlg.h"
#include "app/MenuLayout.h"
#include "doc/CommandIds.h"
#include "doc/CommandMap.h"

namespace {

QStringList Row(const QTreeWidget& list, int row) {
    const QTreeWidgetItem* item = list.topLevelItem(row);
    return item ? QStringList{item->text(0), item->text(1), item->text(2)} : QStringList{};
}

int VisibleHelpWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<CHelpDlg*>(w) && w->isVisible()) ++n;
    return n;
}

} // namespace

TEST(HelpDlg, ListsEveryKeyAndTheDescriptionTakesTheRestOfTheWidth) {
    CHelpDlg help;
    help.show();
    QTreeWidget& list = *help.List();
    EXPECT_EQ(list.topLevelItemCount(), 39);
    EXPECT_EQ(list.headerItem()->text(0), "Command");
    EXPECT_EQ(list.headerItem()->text(2), "Discription");
    EXPECT_EQ(Row(list, 0), QStringList({"Default IP:", "", "192.168.0.5"}));
    EXPECT_EQ(Row(list, 9),
              QStringList({"Circle Diameter Inc", "F6", "Inccrease Circle Diameter 0.01 m"}));
    EXPECT_EQ(Row(list, 15), QStringList({"Reverse", "Space", "Reverse Scan Direction."}));
    EXPECT_EQ(Row(list, 38), QStringList({"Mouse LButton Drag", "", "Move Sonar Image"}));
    for (int row : {3, 11, 18, 31, 37})
        EXPECT_EQ(Row(list, row), QStringList({"", "", QString(30, '-')})) << row;

    EXPECT_EQ(list.geometry(), help.rect());
    EXPECT_EQ(list.columnWidth(0), 130);
    EXPECT_EQ(list.columnWidth(1), 70);
    EXPECT_EQ(list.columnWidth(2), help.width() - 205);
    // The operator widens the first column; the next resize takes it from the third.
    list.setColumnWidth(0, 170);
    help.resize(700, 400);
    QApplication::processEvents();
    EXPECT_EQ(list.geometry(), QRect(0, 0, 700, 400));
    EXPECT_EQ(list.columnWidth(2), 700 - 170 - 70 - 5);
}

TEST(HelpDlg, SonarKeysAreSwallowedAndArrowsScrollTheList) {
    QWidget owner;
    int sonarSteps = 0;
    int cursorMoves = 0;
    // Application-wide keys, as a frame may give the step commands.
    QAction rangeDown(&owner);
    rangeDown.setShortcut(Qt::Key_F1);
    rangeDown.setShortcutContext(Qt::ApplicationShortcut);
    owner.addAction(&rangeDown);
    QObject::connect(&rangeDown, &QAction::triggered, [&] { ++sonarSteps; });
    QAction cursorDown(&owner);
    cursorDown.setShortcut(Qt::Key_Down);
    cursorDown.setShortcutContext(Qt::ApplicationShortcut);
    owner.addAction(&cursorDown);
    QObject::connect(&cursorDown, &QAction::triggered, [&] { ++cursorMoves; });
    owner.show();
    owner.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
    // Without the help window the keys reach their commands.
    QTest::keyClick(&owner, Qt::Key_F1);
    QTest::keyClick(&owner, Qt::Key_Down);
    ASSERT_EQ(sonarSteps, 1);
    ASSERT_EQ(cursorMoves, 1);

    CHelpDlg help(&owner);
    help.resize(500, 120); // a few rows visible, so the list must scroll
    help.show();
    help.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&help));
    QTreeWidget& list = *help.List();
    list.setFocus();
    list.setCurrentItem(list.topLevelItem(0));
    for (Qt::Key key : {Qt::Key_F1, Qt::Key_F3, Qt::Key_F6})
        QTest::keyClick(&list, key);
    EXPECT_EQ(sonarSteps, 1);
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(cursorMoves, 1);
    EXPECT_EQ(list.indexOfTopLevelItem(list.currentItem()), 20);
    EXPECT_GT(list.verticalScrollBar()->value(), 0);
    QTest::keyClick(&list, Qt::Key_Home);
    EXPECT_EQ(list.verticalScrollBar()->value(), 0);
}

using ShellCommandsTest = AppFixture;

TEST_F(ShellCommandsTest, HelpOpensOnceWithItsCheckMarkAndAboutShowsTheVersion) {
    QAction* helpAction = Frame().Action(cmd::kHelp);
    ASSERT_NE(helpAction, nullptr);
    int windowsWhileOpen = -1;
    bool checkedWhileOpen = false;
    QTimer::singleShot(0, &Frame(), [&] {
        // Closes whatever help windows are open after the second request,
        // so a missing guard shows as two windows rather than a hang.
        QTimer::singleShot(0, &Frame(), [&] {
            windowsWhileOpen = VisibleHelpWindows();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* help = qobject_cast<CHelpDlg*>(w)) help->reject();
        });
        Frame().UpdateCommandUi();
        checkedWhileOpen = helpAction->isChecked();
        helpAction->trigger();
    });
    helpAction->trigger();
    EXPECT_EQ(windowsWhileOpen, 1);
    EXPECT_TRUE(checkedWhileOpen);
    EXPECT_FALSE(app->Commands().Update(cmd::kHelp).checked.value_or(true));
    Frame().UpdateCommandUi();
    EXPECT_FALSE(helpAction->isChecked());

    QString version;
    QString title;
    QTimer::singleShot(0, &Frame(), [&] {
        if (auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
            title = about->windowTitle();
            if (auto* text = about->findChild<QLabel*>("VersionText")) version = text->text();
            about->accept();
        }
    });
    Frame().Action(cmd::kAbout)->trigger();
    EXPECT_EQ(title, "TubescanL...");
    EXPECT_EQ(version, "TubescanL Version Beta 1.0.1.8  27_FEB_2017");
}
