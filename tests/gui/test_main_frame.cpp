#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "AppFixture.h"
#include "app/MenuLayout.h"
#include "doc/CommandIds.h"
#include "format/NumberText.h"
#include "link/SonarHost.h"
#include "view/TubescanView.h"

namespace {

// "popup/popup/item text=id" for every command item, separators as "-".
void Dump(const QMenu* menu, const QString& path, QStringList& out) {
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            out << path + "-";
        else if (a->menu())
            Dump(a->menu(), path + a->text() + "/", out);
        else
            out << path + a->text() + "=" + QString::number(a->data().toInt());
    }
}

QStringList DumpMenuBar(QMenuBar* bar) {
    QStringList out;
    for (QAction* a : bar->actions())
        Dump(a->menu(), a->text() + "/", out);
    return out;
}

void DumpLayout(const std::vector<MenuItem>& items, const QString& path, QStringList& out) {
    for (const MenuItem& item : items) {
        const QString text = QString::fromStdString(item.text);
        if (item.kind == MenuItem::Kind::Separator)
            out << path + "-";
        else if (item.kind == MenuItem::Kind::Popup)
            DumpLayout(item.children, path + text + "/", out);
        else
            out << path + text + "=" + QString::number(item.id);
    }
}

} // namespace

using MainFrameTest = AppFixture;

TEST_F(MainFrameTest, MenuCarriesEveryCommandWithItsTextInItsPlace) {
    const QStringList built = DumpMenuBar(Frame().menuBar());
    QStringList wanted;
    for (const MenuItem& popup : MainMenu())
        DumpLayout(popup.children, QString::fromStdString(popup.text) + "/", wanted);
    EXPECT_EQ(built, wanted);

    // Places an operator knows the program by.
    EXPECT_EQ(built.first(), "&File/Connect to &Sonar Head=32804");
    EXPECT_TRUE(built.contains("&File/&Record  Start (Stop)=32806"));
    EXPECT_TRUE(built.contains("&File/E&xit=57665"));
    EXPECT_TRUE(built.contains("&View/&Zoom Factor/300 %=32788"));
    EXPECT_TRUE(built.contains("&View/&Diagnostics=32799"));
    EXPECT_TRUE(built.contains("&System/&Diagnostics...=32799"));
    EXPECT_TRUE(built.contains("&System/&Options/Units/Inches=32844"));
    EXPECT_TRUE(built.contains("&System/Xdcr Fwd / Aft/Aft=32889"));
    EXPECT_TRUE(built.contains("&Text/Delete =32905"));
    EXPECT_EQ(built.last(), "&System/&Help/&About TubescanL...=57664");
    EXPECT_TRUE(built.contains("&View/Pipe &Condition=33001"));
    EXPECT_TRUE(built.contains("&View/Pipe &3D=33006"));
    EXPECT_TRUE(built.contains("&File/Export Point Cloud (.ply)...=33002"));
    EXPECT_TRUE(built.contains("&File/Export Point Cloud (.las)...=33003"));
    EXPECT_TRUE(built.contains("&File/Export Map (.geojson)...=33011"));
    EXPECT_TRUE(built.contains("&View/&Go To...=33027"));
    EXPECT_EQ(Frame().Action(33027)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    EXPECT_TRUE(built.contains("&View/&Unrolled=33004"));
    EXPECT_TRUE(built.contains("&View/Pipe &3D=33006"));
    EXPECT_TRUE(built.contains("&View/Reset Layout=33007"));
    EXPECT_TRUE(built.contains("&File/Survey &Details...=33010"));
    EXPECT_TRUE(built.contains("&File/Compare With Recording...=33015"));
    EXPECT_EQ(built.filter(QRegularExpression("=\\d+$")).size(), 103);
    const QStringList top = {"&File", "&View",    "&ColorTable", "&Points", "Pipe &Shape",
                             "&Text", "&Measure", "&Grid",       "&System"};
    QStringList tops;
    for (QAction* a : Frame().menuBar()->actions())
        tops << a->text();
    EXPECT_EQ(tops, top);
}

TEST_F(MainFrameTest, ToolBarHas22ButtonsInOrderWithPromptsAndKeys) {
    const QList<QAction*> buttons = Frame().MainToolBar()->actions();
    ASSERT_EQ(buttons.size(), 22);
    for (int i = 0; i < 22; ++i) {
        EXPECT_EQ(buttons[i]->data().toInt(), ToolBarCommands()[static_cast<std::size_t>(i)]);
        EXPECT_FALSE(buttons[i]->icon().isNull()) << i;
        EXPECT_FALSE(buttons[i]->statusTip().isEmpty()) << i;
    }
    EXPECT_EQ(Frame().Action(32874)->statusTip(), "Increase Range");
    EXPECT_EQ(Frame().Action(32875)->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(Frame().Action(32919)->shortcut(), QKeySequence(Qt::Key_F6));
    EXPECT_EQ(Frame().Action(32941)->shortcut(), QKeySequence(Qt::Key_Up));

    // A hovered button's prompt shows in the message pane; "Ready" after.
    QStatusTipEvent tip("Increase Range");
    QApplication::sendEvent(&Frame(), &tip);
    EXPECT_EQ(Frame().Pane(0)->text(), "Increase Range");
    QStatusTipEvent none("");
    QApplication::sendEvent(&Frame(), &none);
    EXPECT_EQ(Frame().Pane(0)->text(), "Ready");
}

TEST_F(MainFrameTest, EnabledStatesFollowPlaybackAndUnbuiltCommandsAreDisabled) {
    const int realTimeOnly[] = {32870, 32871, 32872, 32873, 32874, 32875, 32876,
                                32877, 32888, 32889, 32890, 32891, 32824};
    Frame().UpdateCommandUi();
    for (int id : realTimeOnly)
        EXPECT_TRUE(Frame().Action(id)->isEnabled()) << id;
    Doc().Run().m_playback = 1;
    Frame().UpdateCommandUi();
    for (int id : realTimeOnly)
        EXPECT_FALSE(Frame().Action(id)->isEnabled()) << id;
    // The tool-bar button is the same action.
    auto* button =
        qobject_cast<QToolButton*>(Frame().MainToolBar()->widgetForAction(Frame().Action(32874)));
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->isEnabled());
    // A disabled step command does nothing even when its key arrives.
    const std::uint8_t gain = Doc().Command()[headproto::kCmdGain];
    Frame().Action(32876)->trigger();
    EXPECT_EQ(Doc().Command()[headproto::kCmdGain], gain);
    // Display commands stay available during playback.
    EXPECT_TRUE(Frame().Action(32822)->isEnabled());
    // Save Screen works in playback too; commands of windows not built into
    // this program yet are present and disabled.
    EXPECT_TRUE(Frame().Action(32868)->isEnabled());
    EXPECT_FALSE(Frame().Action(32955)->isEnabled());

    Doc().Run().m_playback = 0;
    Frame().UpdateCommandUi();
    Frame().Action(32876)->trigger();
    EXPECT_EQ(Doc().Command()[headproto::kCmdGain], gain + 1);
}

TEST_F(MainFrameTest, CheckMarksFollowTheDocument) {
    Doc().Settings().m_zoom = 1.75;
    Doc().Settings().m_colorTable = 3;
    Frame().UpdateCommandUi();
    EXPECT_TRUE(Frame().Action(32786)->isChecked());
    EXPECT_FALSE(Frame().Action(32783)->isChecked());
    EXPECT_TRUE(Frame().Action(32774)->isChecked());
    const std::string recordPath =
        (std::filesystem::temp_directory_path() / ("marks" + std::to_string(::getpid()) + ".31l"))
            .string();
    ASSERT_FALSE(Doc().Recorder().Start(recordPath));
    Doc().Settings().m_autoSaveFileName = 0;
    Frame().UpdateCommandUi();
    EXPECT_TRUE(Frame().Action(32806)->isChecked());
    EXPECT_FALSE(Frame().Action(32817)->isChecked());
    Doc().Recorder().Stop();
    std::filesystem::remove(recordPath);
    Frame().Action(32817)->trigger();
    EXPECT_EQ(Doc().Settings().m_autoSaveFileName, 1);
    EXPECT_TRUE(Frame().Action(32817)->isChecked());
    EXPECT_FALSE(Frame().Action(32806)->isChecked());
    // UDP output to the settings file's loopback address: one of the two forms.
    Frame().Action(32958)->trigger();
    EXPECT_TRUE(Frame().Action(32958)->isChecked());
    Frame().Action(32959)->trigger();
    EXPECT_TRUE(Frame().Action(32959)->isChecked());
    EXPECT_FALSE(Frame().Action(32958)->isChecked());
    Frame().Action(32822)->trigger(); // zoom in
    EXPECT_DOUBLE_EQ(Doc().Settings().m_zoom, 2.0);
    EXPECT_TRUE(Frame().Action(32787)->isChecked());
    EXPECT_FALSE(Frame().Action(32786)->isChecked());
    // Commands that do something once carry no check box.
    for (const int id : {33002, 33003, 33011, 32956, 33027})
        EXPECT_FALSE(Frame().Action(id)->isCheckable()) << id;
}

TEST_F(MainFrameTest, StatusPanesInMetresFeetAndInches) {
    CTubescanDoc& doc = Doc();
    doc.Frame().m_pitchValid = doc.Frame().m_rollValid = 1;
    doc.Frame().m_pitchAvg = 1.25;
    doc.Frame().m_rollAvg = -3.5;
    ExternalSensors sensors = doc.Sensors();
    sensors.distance = 0.6096;
    sensors.distanceValid = 1;
    doc.SetSensors(sensors);
    Frame().View()->SetCursorValues({0.3048, 0.1, 0.5, 45.0});
    doc.Frame().m_date = "01-JAN-2027";
    doc.Frame().m_time = "12:00:00";
    const auto panes = [this] {
        Frame().RefreshStatusPanes();
        QStringList t;
        for (int i : {2, 5, 8, 11, 14, 17, 20, 22})
            t << Frame().Pane(i)->text();
        return t;
    };
    doc.Settings().m_units = 0;
    EXPECT_EQ(panes(), QStringList({"1.2 deg.", "-3.5 deg.", "0.61 m", "0.305 m", "0.100 m",
                                    "0.500 m", "45.0 deg.", "01-JAN-2027   12:00:00"}));
    doc.Settings().m_units = 1;
    EXPECT_EQ(panes().mid(2, 4), QStringList({"2.00 '", "1.00 '", "0.33 '", "1.64 '"}));
    doc.Settings().m_units = 2;
    EXPECT_EQ(panes().mid(2, 4), QStringList({"2.00 '", "12.0 ''", "3.9 ''", "19.7 ''"}));

    // Labels, gaps and widths of the 23 panes.
    EXPECT_EQ(Frame().Pane(1)->text(), "Pitch:");
    EXPECT_EQ(Frame().Pane(19)->text(), "Bearing:");
    EXPECT_EQ(Frame().Pane(8)->contentsRect().width(), 55);
    EXPECT_EQ(Frame().Pane(22)->contentsRect().width(), 120);
    EXPECT_EQ(Frame().Pane(2)->contentsRect().width(), 50);
    EXPECT_EQ(Frame().Pane(9)->width(), 15);
    EXPECT_FALSE(Frame().Pane(3)->isEnabled());
}

TEST_F(MainFrameTest, TitlesForRealTimePlaybackAndTheDocumentsOwn) {
    Frame().resize(900, 700);
    QApplication::processEvents();
    EXPECT_EQ(Frame().windowTitle(), "TubescanL -- Real Time ");
    Doc().Run().m_playback = 1;
    Doc().PlaybackFile().path = "/data/run 3.31l";
    Frame().UpdateTitleText();
    EXPECT_EQ(Frame().windowTitle(), "TubescanL - Playback File [/data/run 3.31l] ");
    Doc().SetWindowTitle("TubescanL - Record to File [x.31l] ");
    EXPECT_EQ(Frame().windowTitle(), "TubescanL - Record to File [x.31l] ");
}

TEST_F(MainFrameTest, FullScreenTwiceRestoresCaptionMenuAndStatusBar) {
    QToolBar* tools = Frame().MainToolBar();
    const bool toolsShown = tools->isVisible();
    Frame().Action(cmd::kFullScreen)->trigger();
    EXPECT_EQ(Doc().Display().m_fullScreen, 1);
    EXPECT_TRUE(Frame().windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(Frame().menuBar()->isVisible());
    EXPECT_FALSE(Frame().statusBar()->isVisible());
    EXPECT_EQ(tools->isVisible(), toolsShown);
    EXPECT_TRUE(Frame().Action(cmd::kFullScreen)->isChecked());
    // The keys still work without the menu bar.
    EXPECT_TRUE(Frame().Action(32874)->isEnabled());

    Frame().Action(cmd::kFullScreen)->trigger();
    EXPECT_EQ(Doc().Display().m_fullScreen, 0);
    EXPECT_FALSE(Frame().windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(Frame().menuBar()->isVisible());
    EXPECT_TRUE(Frame().statusBar()->isVisible());
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_TRUE(Frame().windowState() & Qt::WindowMaximized);
    EXPECT_FALSE(Frame().Action(cmd::kFullScreen)->isChecked());
}

TEST_F(MainFrameTest, ArrowKeysMoveTheShapeInShapeMode) {
    Doc().Settings().m_displayPipeShape = 1; // moving the shape needs it on screen
    Doc().Display().m_moveShapeMode = 1;
    Doc().Settings().m_range = 2.0;
    Doc().Settings().m_zoom = 0.5;
    Doc().Settings().m_circleOffsetX = 100.0;
    Doc().Settings().m_circleOffsetY = 100.0;
    Frame().Action(cmd::kArrowRight)->trigger();
    Frame().Action(cmd::kArrowUp)->trigger();
    EXPECT_DOUBLE_EQ(Doc().Settings().m_circleOffsetX, 104.0); // one pixel x range / zoom
    EXPECT_DOUBLE_EQ(Doc().Settings().m_circleOffsetY, 96.0);
    EXPECT_EQ(Frame().View()->ShapePan().x(), 0);
    EXPECT_EQ(Frame().View()->ShapePan().y(), 0);
}

TEST_F(MainFrameTest, ASilentHeadBlinksTheLinkStatusOncePerWatchdogPeriod) {
    CTubescanView* view = Frame().View();
    const int blink = view->StatusBlink();
    emit app->Registry().host->Link().headSilent();
    EXPECT_EQ(view->StatusBlink(), blink ? 0 : 1);
    emit app->Registry().host->Link().headSilent();
    EXPECT_EQ(view->StatusBlink(), blink);
}

TEST_F(MainFrameTest, ViewKeysOpenTheKeyInBoxAndTheFrameHidesIt) {
    CTubescanView* view = Frame().View();
    QWidget* box = app->Registry().keyInBox;
    ASSERT_NE(box, nullptr);
    QTest::keyClick(view, Qt::Key_G);
    EXPECT_TRUE(box->isVisible());
    emit Frame().activated();
    EXPECT_FALSE(box->isVisible());
    // A click in the settings panel hides it too.
    QTest::keyClick(view, Qt::Key_T);
    ASSERT_TRUE(box->isVisible());
    QWidget* panel = app->Registry().settingsPanel;
    ASSERT_NE(panel, nullptr);
    QTest::mousePress(panel, Qt::RightButton, {}, QPoint(2, 2));
    EXPECT_FALSE(box->isVisible());
}

TEST(SettingsPanelPlace, PositionAndVisibilityComeFromAndGoToTheSettingsFile) {
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    const QString ini = dir.filePath("TubescanL.INI");
    WriteTextFile(ini, QByteArray(kLoopbackSettings)
                           .replace("SettingsDlgVisible=0", "SettingsDlgVisible=1\r\n"
                                                            "Settings Left=321\r\n"
                                                            "Settings Top=210"));
    auto app = std::make_unique<CTubescanApp>();
    KeepOffOtherHeads(*app);
    ASSERT_TRUE(app->InitInstance({"tubescan"}, dir.path()));
    QWidget* panel = app->Registry().settingsPanel;
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->frameGeometry().topLeft(), QPoint(321, 210));

    panel->move(400, 250);
    const QRect r = panel->frameGeometry();
    app->CloseDocument(); // saves the settings and destroys the panel
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    EXPECT_TRUE(saved.contains("Settings Left=400")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("Settings Top=250"));
    EXPECT_TRUE(saved.contains("SettingsDlgVisible=1"));
    EXPECT_TRUE(saved.contains("Settings Right=" + QByteArray::number(r.x() + r.width())));
}

TEST_F(MainFrameTest, MiniBarToggleAndDiameterKeys) {
    QAction* mini = Frame().Action(32845);
    ASSERT_NE(mini, nullptr);
    QToolBar* bar = Frame().MiniSettingsBar();
    EXPECT_FALSE(bar->isVisible()); // starts hidden
    mini->trigger();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(mini->isChecked());
    auto* range = bar->findChild<QLineEdit*>("1049");
    ASSERT_NE(range, nullptr);
    Frame().Action(32874)->trigger(); // a range step shows in the bar at once
    EXPECT_EQ(
        range->text().toStdString(),
        FormatFixed(headproto::kRangeTable[static_cast<std::size_t>(Doc().Settings().m_rangeIndex)],
                    3) +
            " m");
    mini->trigger();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(mini->isChecked());
    // Playback starting hides the bar; the command cannot show it there.
    mini->trigger();
    ASSERT_TRUE(bar->isVisible());
    Doc().Run().m_playback = 1;
    Doc().ShowPlaybackBar(true);
    EXPECT_FALSE(bar->isVisible());
    Frame().UpdateCommandUi();
    EXPECT_FALSE(mini->isEnabled());
    Doc().Run().m_playback = 0;

    // F6 and F5 step the circle only while the overlay shows it.
    Doc().Settings().m_circleDiameter = 0.5;
    Doc().Settings().m_displayPipeShape = 0;
    Frame().Action(32919)->trigger();
    EXPECT_DOUBLE_EQ(Doc().Settings().m_circleDiameter, 0.5);
    Doc().Settings().m_displayPipeShape = 1;
    Frame().Action(32919)->trigger();
    EXPECT_NEAR(Doc().Settings().m_circleDiameter, 0.51, 1e-9);
    Frame().Action(32920)->trigger();
    Frame().Action(32920)->trigger();
    EXPECT_NEAR(Doc().Settings().m_circleDiameter, 0.49, 1e-9);
}

namespace {

// Answers the next message box with `button` and keeps its text.
void AnswerNextBox(QMessageBox::StandardButton button, QString* text) {
    QTimer::singleShot(0, [button, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return AnswerNextBox(button, text);
        *text = box->text();
        box->button(button)->click();
    });
}

} // namespace

TEST(CommandLineRecording, AnExistingFileIsOnlyReplacedWhenTheOperatorSaysYes) {
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("site.2024"));
    WriteTextFile(dir.filePath("TubescanL.INI"), kLoopbackSettings);
    const QString existing = dir.filePath("site.2024/pipe.31l");

    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        WriteTextFile(existing, "31L and more");
        CTubescanApp app;
        KeepOffOtherHeads(app);
        QString question;
        AnswerNextBox(answer, &question);
        // The folder's "." stays; the file name is cut at its own first ".".
        ASSERT_TRUE(app.InitInstance({"tubescan", dir.filePath("site.2024/pipe.dat")}, dir.path()));
        EXPECT_EQ(question, existing + " already exists !\nDo you want to replace it?   ");
        CTubescanDoc& doc = *app.Registry().document;
        if (answer == QMessageBox::No) {
            EXPECT_EQ(doc.Recorder().Active(), false);
            EXPECT_EQ(QFileInfo(existing).size(), 12);
        } else {
            EXPECT_EQ(doc.Recorder().Active(), true);
            EXPECT_EQ(app.Registry().mainFrame->windowTitle(),
                      "TubescanL - Record to File [" + existing + "] ");
            EXPECT_EQ(QFileInfo(existing).size(), 0) << "replaced";
        }
    }

    // A new name records at once, without a question.
    CTubescanApp app;
    KeepOffOtherHeads(app);
    ASSERT_TRUE(app.InitInstance({"tubescan", dir.filePath("site.2024/new.run")}, dir.path()));
    EXPECT_EQ(app.Registry().document->Recorder().Active(), true);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("site.2024/new.31l")));
}

TEST_F(MainFrameTest, Pipe3DDockSaysWhyWhereNoOpenGlDraws) {
    // The offscreen platform draws no 3D: the dock shows its message, the
    // rest of the window works, and the View menu still hides and shows it.
    auto* dock = Frame().findChild<QDockWidget*>(QStringLiteral("Pipe3DDock"));
    ASSERT_NE(dock, nullptr);
    dock->show();
    QCoreApplication::processEvents();
    auto* message = dock->findChild<QLabel*>(QStringLiteral("Pipe3DMessage"));
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(message->text().contains(QStringLiteral("cannot be shown here")))
        << message->text().toStdString();
    EXPECT_EQ(dock->findChild<QWidget*>(QStringLiteral("Pipe3DView")), nullptr);
}

TEST_F(MainFrameTest, ResetLayoutGivesTheUnrolledMapRoomAndThe3DViewAQuarterOfTheWidth) {
    auto* unrolled = Frame().findChild<QDockWidget*>(QStringLiteral("UnrolledDock"));
    auto* pipe3d = Frame().findChild<QDockWidget*>(QStringLiteral("Pipe3DDock"));
    auto* panel = Frame().findChild<QDockWidget*>(QStringLiteral("PipeConditionPanel"));
    ASSERT_TRUE(unrolled && pipe3d && panel);
    Frame().showNormal();
    Frame().resize(1600, 1000);
    QCoreApplication::processEvents();
    // The operator closes the map, floats the 3D view away and hides the
    // panel.
    unrolled->hide();
    pipe3d->setFloating(true);
    panel->hide();
    QCoreApplication::processEvents();

    QAction* reset = Frame().Action(cmd::kResetLayout);
    ASSERT_NE(reset, nullptr);
    reset->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(pipe3d->isFloating());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(unrolled->isVisible());
    EXPECT_GE(unrolled->height(), 200);
    // All of it fits a 1600 x 1000 screen: the map is not pushed off its
    // bottom (where only a strip of it would show).
    EXPECT_LE(Frame().minimumSizeHint().height(), 1000);
    EXPECT_LE(Frame().height(), 1000);
    EXPECT_LE(unrolled->mapTo(&Frame(), QPoint(0, unrolled->height())).y(), Frame().height());
    const double share = static_cast<double>(pipe3d->width()) / Frame().width();
    EXPECT_GT(share, 0.2) << pipe3d->width();
    EXPECT_LT(share, 0.3) << pipe3d->width();
    EXPECT_GE(pipe3d->height(), 300);
    EXPECT_EQ(Frame().dockWidgetArea(pipe3d), Qt::LeftDockWidgetArea);
    EXPECT_EQ(Frame().dockWidgetArea(panel), Qt::RightDockWidgetArea);
    EXPECT_EQ(Frame().dockWidgetArea(unrolled), Qt::BottomDockWidgetArea);
}
