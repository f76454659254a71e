#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

#include "AppFixture.h"
#include "view/TubescanView.h"

namespace {

class ViewEventsTest : public AppFixture {
  protected:
    CTubescanView& View() { return *Frame().View(); }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, at, View().mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(&View(), &event);
    }
    void Click(QPoint at) {
        Mouse(QEvent::MouseButtonPress, at);
        Mouse(QEvent::MouseButtonRelease, at);
    }
    void Drag(QPoint from, QPoint to) {
        Mouse(QEvent::MouseButtonPress, from);
        Mouse(QEvent::MouseMove, to);
        Mouse(QEvent::MouseButtonRelease, to);
    }
    void Key(int key, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(&View(), &press);
        QApplication::processEvents(); // the queued view updates
    }
    void Command(int id) {
        Frame().Action(id)->trigger();
        QApplication::processEvents();
    }
    QPoint Origin() {
        View().ComposeBackBuffer();
        return View().Origin();
    }
    template <typename Match> int PixelsWhere(QRect box, Match match) {
        View().ComposeBackBuffer();
        int n = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                n += match(View().BackBuffer().pixel(x, y)) ? 1 : 0;
        return n;
    }
    int PixelsOf(QRect box, QRgb colour) {
        return PixelsWhere(box, [colour](QRgb p) { return p == colour; });
    }
};

} // namespace

TEST_F(ViewEventsTest, OperatorDragsMeasuresTypesAndUsesTheHotKeys) {
    CTubescanDoc& doc = Doc();
    doc.Settings().m_range = 1.0;
    doc.Settings().m_lineColor = 0x0000FF; // pure red on the screen
    doc.Settings().m_textColor = 0x00FF00;
    // Room for the picture beside the docks, so the places the strokes land
    // on stay clear of the status texts.
    Frame().resize(1600, 1100);
    QApplication::processEvents();
    EXPECT_EQ(Frame().focusProxy(), &View());
    ASSERT_GT(View().ClientWidth(), 400);

    // Dragging the picture pans it.
    const QPoint centre = Origin();
    Drag(centre, centre + QPoint(30, -10));
    EXPECT_EQ(View().Pan(), QPoint(30, -10));
    const QPoint o = Origin();
    EXPECT_EQ(o, centre + QPoint(30, -10));

    // Two clicks measure 250 pixels: 1 m at range 1 m; the line, its
    // crosses and its label are drawn in their colours.
    Command(32886);
    Click(o);
    Mouse(QEvent::MouseMove, o + QPoint(150, 200), Qt::NoButton);
    Click(o + QPoint(150, 200));
    EXPECT_EQ(doc.Display().m_annotationCount, 1);
    EXPECT_EQ(doc.Display().m_measureMode, 0);
    EXPECT_GT(PixelsOf(QRect(o + QPoint(74, 99), QSize(3, 3)), qRgb(255, 0, 0)), 0);
    EXPECT_EQ(PixelsOf(QRect(o + QPoint(-5, 0), QSize(1, 1)), qRgb(255, 0, 0)), 1);
    EXPECT_NEAR(View().LastLineLength(), 1.0, 0.01);
    EXPECT_EQ(View().NotesAndLines().All()[0].text, "1.000 m");

    // A note: control characters are not taken, Backspace and Enter work.
    Command(32885);
    EXPECT_EQ(View().cursor().shape(), Qt::IBeamCursor);
    Click(o + QPoint(-200, -100));
    Key(Qt::Key_A, "A");
    Key(Qt::Key_B, "b");
    Key(Qt::Key_A, "\x01");
    Key(Qt::Key_Backspace, "\b");
    Key(Qt::Key_C, "c");
    Key(Qt::Key_Return, "\r");
    EXPECT_EQ(doc.Display().m_textInputMode, 0);
    EXPECT_EQ(doc.Display().m_annotationCount, 2);
    EXPECT_EQ(View().NotesAndLines().All()[1].text, "Ac");
    // Text is smoothed: its pixels are shades of the text colour on black.
    EXPECT_GT(PixelsWhere(QRect(o + QPoint(-200, -100), QSize(30, 20)),
                          [](QRgb p) { return qRed(p) == 0 && qBlue(p) == 0 && qGreen(p) > 100; }),
              5);

    // A right press drops a half-drawn line, keeps the finished ones, and
    // the context menu carries the main window's own actions.
    Command(32886);
    Click(o + QPoint(10, 10));
    Mouse(QEvent::MouseButtonPress, o, Qt::RightButton);
    EXPECT_EQ(doc.Display().m_measureMode, 0);
    EXPECT_EQ(doc.Display().m_annotationCount, 2);
    EXPECT_EQ(View().NotesAndLines().Current()->kind, kAnnotationEmpty);
    ASSERT_NE(Frame().ViewContextMenu(), nullptr);
    EXPECT_EQ(Frame().ViewContextMenu()->actions().first(), Frame().Action(32804));

    // Space reverses only outside text mode; Z wraps from 300 % to 50 %.
    const int direction = doc.Run().m_scanDirection;
    Command(32885);
    Key(Qt::Key_Space, " ");
    EXPECT_EQ(doc.Run().m_scanDirection, direction);
    Key(Qt::Key_Escape, "\x1b");
    EXPECT_EQ(doc.Display().m_textInputMode, 0);
    Key(Qt::Key_Space, " ");
    EXPECT_NE(doc.Run().m_scanDirection, direction);
    doc.Settings().m_zoom = 3.0;
    Key(Qt::Key_Z, "z");
    EXPECT_EQ(doc.Settings().m_zoom, 0.5);
    doc.Settings().m_zoom = 1.0;

    // M moves the shape only while it is shown; a drag then moves its centre.
    doc.Settings().m_displayPipeShape = 0;
    Key(Qt::Key_M, "m");
    EXPECT_EQ(doc.Display().m_moveShapeMode, 0);
    Command(32951);
    Key(Qt::Key_M, "M");
    EXPECT_EQ(doc.Display().m_moveShapeMode, 1);
    EXPECT_TRUE(View().CaretTimerActive());
    const double offsetX = doc.Settings().m_circleOffsetX;
    const double offsetY = doc.Settings().m_circleOffsetY;
    Drag(o, o + QPoint(20, 30));
    EXPECT_DOUBLE_EQ(doc.Settings().m_circleOffsetX, offsetX + 20);
    EXPECT_DOUBLE_EQ(doc.Settings().m_circleOffsetY, offsetY + 30);
    EXPECT_EQ(View().ShapePan().x(), 0);
    EXPECT_EQ(View().Pan(), QPoint(30, -10)); // the picture stayed

    // "Delete All Drawings" clears both kinds.
    Command(32911);
    EXPECT_EQ(doc.Display().m_annotationCount, 0);

    // With every record in use a new note is refused and the operator told.
    doc.Display().m_annotationCount = kAnnotationCapacity;
    Command(32885);
    Click(o);
    EXPECT_EQ(Frame().Pane(0)->text(), kAnnotationsFullMessage);
    EXPECT_FALSE(View().NotesAndLines().TextEntry());
}

TEST_F(ViewEventsTest, PipeShapesAreDrawnInTheirColourWhereTheSettingsPutThem) {
    CTubescanDoc& doc = Doc();
    doc.Settings().m_range = 1.0;
    doc.Settings().m_displayPipeShape = 1;
    doc.Settings().m_circleColor = 0xFF0000; // pure blue on the screen
    doc.Settings().m_circleDiameter = 0.8;   // 200 pixels across
    const QRgb blue = qRgb(0, 0, 255);
    doc.Settings().m_circleOffsetX = View().ClientWidth() / 2;
    doc.Settings().m_circleOffsetY = View().ClientHeight() / 2;
    const QPoint c = Origin();
    const auto near = [&](QPoint p) {
        return PixelsOf(QRect(p - QPoint(1, 1), QSize(3, 3)), blue);
    };
    for (QPoint edge : {QPoint(-100, 0), QPoint(100, 0), QPoint(0, -100), QPoint(0, 100)})
        EXPECT_GT(near(c + edge), 0) << edge.x() << "," << edge.y();
    EXPECT_EQ(near(c), 0);
    EXPECT_EQ(near(c + QPoint(0, -60)), 0);

    // Horse-shoe 0.4 x 0.5 m: walls 50 px either side, from the centre
    // line down; the invert's lowest point 125 px under the crown's top
    // (a 2-pixel pen lies on and just above the outline).
    doc.Settings().m_pipeShape = 1;
    doc.Settings().m_horseShoeWidth = 0.4;
    doc.Settings().m_horseShoeHeight = 0.5;
    EXPECT_GT(near(c + QPoint(-50, 20)), 0);
    EXPECT_GT(near(c + QPoint(50, 20)), 0);
    EXPECT_GT(near(c + QPoint(0, -50)), 0);
    EXPECT_GT(near(c + QPoint(0, 74)), 0);
    EXPECT_EQ(near(c + QPoint(0, 20)), 0);
}
