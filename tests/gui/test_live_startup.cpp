// The program started in-process against tubescan-sim on a free loopback
// port: the picture fills in and the status panes follow the head.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include "../support/SimProcess.h"
#include "AppFixture.h"
#include "app/MenuLayout.h"
#include "view/TubescanView.h"

namespace {

class PaintCounter : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return QObject::eventFilter(watched, event);
    }
    int paints = 0;
};

} // namespace

TEST(LiveStartup, PictureFillsInAndStatusPanesShowPitchAndRoll) {
    SimProcess sim;
    ASSERT_NE(sim.Port(), 0);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    WriteTextFile(dir.filePath("TubescanL.INI"), kLoopbackSettings);
    CTubescanApp app;
    app.m_beforeConnect = [&](SonarHost& host) { host.SetHeadPort(sim.Port()); };
    ASSERT_TRUE(app.InitInstance({"tubescan"}, dir.path()));
    CMainFrame& frame = *app.Registry().mainFrame;
    CTubescanDoc& doc = *app.Registry().document;
    PaintCounter counter;
    frame.View()->installEventFilter(&counter);

    // Pings and the repaints they ask for.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return doc.Run().m_pingCount >= 150 && counter.paints >= 10; }, 15000))
        << doc.Run().m_pingCount << " pings, " << counter.paints << " repaints";
    EXPECT_EQ(doc.HeadLinkState(), LinkState::Up);
    // The connect sets the live title; a resize after it (the docks taking
    // their room) sets the frame's own form of it.
    EXPECT_TRUE(frame.windowTitle() == "TubescanL - Real Time" ||
                frame.windowTitle() == "TubescanL -- Real Time ")
        << frame.windowTitle().toStdString();
    frame.UpdateCommandUi();
    EXPECT_FALSE(frame.Action(cmd::kConnect)->isEnabled()) << "connected: nothing to connect";

    // The sonar picture around the origin is no longer all background.
    const QImage& picture = frame.View()->BackBuffer();
    const QPoint origin = frame.View()->Origin();
    const QRgb background = picture.pixel(5, 5);
    int painted = 0;
    for (int y = origin.y() - 200; y <= origin.y() + 200; y += 2)
        for (int x = origin.x() - 200; x <= origin.x() + 200; x += 2)
            if (picture.valid(x, y) && picture.pixel(x, y) != background) ++painted;
    EXPECT_GT(painted, 3000);

    const QRegularExpression degrees("^-?\\d+\\.\\d deg\\.$");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return degrees.match(frame.Pane(2)->text()).hasMatch(); }, 3000))
        << frame.Pane(2)->text().toStdString();
    EXPECT_TRUE(degrees.match(frame.Pane(5)->text()).hasMatch())
        << frame.Pane(5)->text().toStdString();
    EXPECT_TRUE(frame.Pane(22)->text().contains(QRegularExpression("\\d\\d:\\d\\d:\\d\\d")));

    // Hold stops the pings; releasing it starts them again.
    frame.Action(cmd::kHold)->trigger();
    EXPECT_TRUE(frame.Action(cmd::kHold)->isChecked());
    QTest::qWait(200);
    const int held = doc.Run().m_pingCount;
    QTest::qWait(300);
    EXPECT_LE(doc.Run().m_pingCount, held + 1);
    frame.Action(cmd::kHold)->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return doc.Run().m_pingCount > held + 20; }, 5000));
}
