// The 3D scene drawn for real (Mesa's software OpenGL under xvfb-run): the
// deviation colours land where the geometry puts them, and a click on the
// pipe picks the ring under it. Skipped, with the reason, where no OpenGL
// display can be had.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include <QCursor>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QQmlContext>
#include <QQuick3DGeometry>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <set>

#include "analysis/DeviationColours.h"
#include "view/Pipe3DRender.h"
#include "view/Pipe3DScene.h"

namespace {

// A pipe 0.3 m across and 2 m long: debris (inward) on its upper half, lost
// wall (outward) on its lower half.
analysis::PipeHistory SplitPipe() {
    analysis::PipeHistory history;
    for (int ring = 0; ring <= 100; ++ring) {
        std::vector<analysis::AnalysedPoint> points;
        for (int i = 0; i < 360; ++i) {
            const double a = i * M_PI / 180.0, y = 0.15 * std::sin(a);
            points.push_back({0.15 * std::cos(a), y, y > 0.0 ? 0.05 : -0.05});
        }
        history.Add(ring * 0.02, points);
    }
    return history;
}

bool Near(QRgb p, analysis::Rgb c) {
    return std::abs(qRed(p) - c.r) + std::abs(qGreen(p) - c.g) + std::abs(qBlue(p) - c.b) < 40;
}

void SkipWithoutOpenGl() {
    QString why;
    if (!CanRender3D(&why)) GTEST_SKIP() << "no 3D here: " << why.toStdString();
}

} // namespace

TEST(Pipe3DRender, DeviationColoursAppearWhereTheWallIs) {
    SkipWithoutOpenGl();
    if (::testing::Test::IsSkipped()) return;
    QString why;
    const QImage image = RenderPipe3D(SplitPipe(), 0.15, QSize(640, 480), &why, 1.0);
    ASSERT_FALSE(image.isNull()) << why.toStdString();
    if (qEnvironmentVariableIsSet("TUBESCAN_SAVE_PICTURES")) image.save("pipe3d-render.png");
    const analysis::Rgb inward = analysis::DeviationColour(0.05);
    const analysis::Rgb outward = analysis::DeviationColour(-0.05);
    // Each colour counted in the upper and the lower half.
    int red[2] = {0, 0}, blue[2] = {0, 0}, marker = 0;
    double redY = 0, blueY = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const int half = y < image.height() / 2 ? 0 : 1;
            if (Near(p, inward)) {
                ++red[half];
                redY += y;
            } else if (Near(p, outward)) {
                ++blue[half];
                blueY += y;
            } else if (Near(p, analysis::Rgb{51, 255, 51})) {
                ++marker;
            }
        }
    const int reds = red[0] + red[1], blues = blue[0] + blue[1];
    ASSERT_GT(reds, 500) << "no inward colour drawn";
    ASSERT_GT(blues, 500) << "no outward colour drawn";
    EXPECT_GT(marker, 50) << "no ring marks the current ping";
    // Up in the pipe is up in the picture.
    EXPECT_LT(redY / reds, blueY / blues);
    EXPECT_GT(red[0], red[1]);
    EXPECT_GT(blue[1], blue[0]);
}

TEST(Pipe3DRender, AClickOnThePipePicksTheRingUnderIt) {
    SkipWithoutOpenGl();
    if (::testing::Test::IsSkipped()) return;
    UseOpenGlForQtQuick();
    Pipe3DScene scene;
    scene.SetHistory(SplitPipe(), 0.15);
    QQuickView view;
    view.rootContext()->setContextProperty(QStringLiteral("pipe3d"), &scene);
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.setSource(QUrl(QStringLiteral("qrc:/pipe3d/Pipe3D.qml")));
    ASSERT_EQ(view.status(), QQuickView::Ready);
    view.resize(640, 480);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QSignalSpy clicked(&scene, &Pipe3DScene::distanceClicked);
    // The camera looks at the middle of the pipe: the centre is its middle
    // ring; the far corner is beside the pipe.
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(5, 475));
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(320, 240));
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_NEAR(clicked.at(0).at(0).toDouble(), 1.0, 0.1);

    // The mouse resting on the middle of the pipe hands the scene the drawn
    // point under it, on the wall near the middle ring; beside the pipe,
    // nothing.
    std::vector<analysis::WallHit> hits;
    QObject::connect(&scene, &Pipe3DScene::wallHovered,
                     [&hits](const analysis::WallHit& hit) { hits.push_back(hit); });
    QSignalSpy left(&scene, &Pipe3DScene::hoverLeft);
    // The display's own pointer, as a person's mouse moves it.
    const auto moveTo = [&](QPoint at, const std::function<bool()>& until) {
        QCursor::setPos(view.mapToGlobal(at));
        QDeadlineTimer deadline(5000);
        while (!until() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    };
    moveTo(QPoint(320, 240), [&] { return !hits.empty(); });
    ASSERT_FALSE(hits.empty()) << "no point under the mouse";
    EXPECT_NEAR(hits.back().distance, 1.0, 0.3);
    EXPECT_NEAR(std::hypot(hits.back().x, hits.back().y), 0.15, 0.01);
    moveTo(QPoint(5, 475), [&] { return !left.isEmpty(); });
    EXPECT_FALSE(left.isEmpty());
}

// As rings fill during a survey, the buffer the renderer copies keeps one
// size from the first scan on (a growing one left the renderer's freed
// copies behind, and the program's memory rose for the first hour of a
// playback); only the filled vertices are drawn, at rest and while turning.
TEST(Pipe3DRender, TheVertexBufferKeepsOneSizeAsTheRingsFill) {
    Pipe3DScene scene;
    scene.SetBudgets(20'000, 8'000);
    const QQuick3DGeometry& points = *scene.Points();
    analysis::PipeHistory history;
    qsizetype size = -1;
    std::size_t before = 0;
    for (int ring = 0; ring < 200; ++ring) {
        std::vector<analysis::AnalysedPoint> wall;
        for (int i = 0; i < 360; ++i)
            wall.push_back({0.15 * std::cos(i * M_PI / 180), 0.15 * std::sin(i * M_PI / 180),
                            ring % 2 ? 0.04 : -0.04});
        history.Add(ring * 0.01, wall);
        scene.SetHistory(history, 0.15);
        const std::size_t drawn = scene.DrawnPoints();
        ASSERT_GE(drawn, before) << "ring " << ring;
        before = drawn;
        if (size < 0) size = points.vertexData().size();
        ASSERT_EQ(points.vertexData().size(), size) << "ring " << ring;
        ASSERT_EQ(points.subsetCount(), 1);
        ASSERT_EQ(points.subsetCount(0), static_cast<int>(drawn));
        // The drawn vertices are the history's, in order.
        std::vector<float> expected;
        ASSERT_EQ(history.FillVertices(20'000, expected), drawn);
        ASSERT_EQ(std::memcmp(points.vertexData().constData(), expected.data(),
                              expected.size() * sizeof(float)),
                  0)
            << "ring " << ring;
    }
    // Filled to the budget, the buffer is exactly that size, not more.
    EXPECT_EQ(before, 20'000u);
    EXPECT_EQ(size, static_cast<qsizetype>(20'000 * 7 * sizeof(float)));
    scene.setInteracting(true);
    EXPECT_EQ(points.vertexData().size(), size);
    EXPECT_EQ(points.subsetCount(0), 8'000);
    EXPECT_EQ(scene.DrawnPoints(), 8'000u);
}

TEST(Pipe3DRender, RebuildsTakeTurnsInTwoBlocksAndSpareTheOneBeingDrawn) {
    Pipe3DScene scene;
    scene.SetBudgets(20'000, 8'000);
    const QQuick3DGeometry& points = *scene.Points();
    analysis::PipeHistory history;
    std::set<const char*> blocks;
    // What a renderer drawing the last frame holds until the next rebuild,
    // and what that frame showed.
    QByteArray drawing;
    QByteArray shown;
    for (int ring = 0; ring < 60; ++ring) {
        std::vector<analysis::AnalysedPoint> wall;
        for (int i = 0; i < 360; ++i)
            wall.push_back(
                {0.15 * std::cos(i * M_PI / 180), 0.15 * std::sin(i * M_PI / 180), 0.001 * ring});
        history.Add(ring * 0.01, wall);
        scene.SetHistory(history, 0.15);
        // The frame still being drawn was not written into.
        ASSERT_EQ(drawing, shown) << "ring " << ring;
        ASSERT_EQ(points.vertexData().size(), static_cast<qsizetype>(20'000 * 7 * sizeof(float)));
        blocks.insert(points.vertexData().constData());
        drawing = points.vertexData();
        shown = QByteArray(drawing.constData(), drawing.size()); // a deep copy
        // The new frame holds this history's vertices.
        std::vector<float> expected;
        const std::size_t drawn = history.FillVertices(20'000, expected);
        ASSERT_EQ(points.subsetCount(0), static_cast<int>(drawn));
        ASSERT_EQ(
            std::memcmp(drawing.constData(), expected.data(), expected.size() * sizeof(float)), 0)
            << "ring " << ring;
    }
    // Two blocks of the full size served every rebuild: none was made anew
    // (and freed again) for each.
    EXPECT_LE(blocks.size(), 2u);
}

TEST(Pipe3DRender, SoftwareRenderersAreToldFromGraphicsCards) {
    // Mesa's names as GL_RENDERER gives them; a card's name is not one.
    for (const char* name : {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe",
                             "Mesa X11 Software Rasterizer", "SWR (LLVM 12.0.0, AVX2)"})
        EXPECT_TRUE(IsSoftwareRenderer(QString::fromLatin1(name))) << name;
    for (const char* name :
         {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "NVIDIA GeForce RTX 3060/PCIe/SSE2",
          "AMD Radeon RX 6600 (navi23)", ""})
        EXPECT_FALSE(IsSoftwareRenderer(QString::fromLatin1(name))) << name;
    // Xvfb has no graphics card: its OpenGL is always Mesa's software one.
    SkipWithoutOpenGl();
    if (::testing::Test::IsSkipped()) return;
    QString why;
    bool software = false;
    ASSERT_TRUE(CanRender3D(&why, &software)) << why.toStdString();
    EXPECT_TRUE(software);
}
