// Frames per second of the "Pipe 3D" scene with 1,000,000 points while the
// camera turns a little every frame, beside an empty scene in the same run
// (the ceiling). Run under a display with software OpenGL:
//   LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_pipe3d
// It reports, it never fails.
#include <chrono>
#include <cmath>
#include <cstdio>

#include <QGuiApplication>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QVector3D>

#include "view/Pipe3DRender.h"
#include "view/Pipe3DScene.h"

namespace {

analysis::PipeHistory MillionPoints() {
    // 2,084 rings of 480 points over 200 m, a dent every 10 m.
    analysis::PipeHistory history(4096, 480);
    std::vector<analysis::AnalysedPoint> points(480);
    for (int ring = 0; ring < 2084; ++ring) {
        const double d = ring * 0.096;
        for (int i = 0; i < 480; ++i) {
            const double a = i * 2.0 * M_PI / 480.0;
            const double dev = 0.04 * std::cos(a) * std::sin(d * M_PI / 10.0);
            points[static_cast<std::size_t>(i)] = {(0.15 - dev) * std::cos(a),
                                                   (0.15 - dev) * std::sin(a), dev};
        }
        history.Add(d, points);
    }
    return history;
}

// Frames per second over frames turned by a degree each.
double Spin(QQuickView& view, QObject* origin, int frames) {
    int swapped = 0;
    auto c = QObject::connect(&view, &QQuickWindow::frameSwapped, [&] { ++swapped; });
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        origin->setProperty("eulerRotation", QVector3D(-20.0f, -50.0f + static_cast<float>(i), 0));
        const int want = swapped + 1;
        view.update();
        if (!QTest::qWaitFor([&] { return swapped >= want; }, 5000)) break;
    }
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    QObject::disconnect(c);
    return frames / s;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QString why;
    if (!CanRender3D(&why)) {
        std::printf("bench_pipe3d: no OpenGL here (%s); run it under xvfb-run -a\n",
                    qPrintable(why));
        return 0;
    }
    UseOpenGlForQtQuick();
    const analysis::PipeHistory history = MillionPoints();
    Pipe3DScene scene;
    QQuickView view;
    view.rootContext()->setContextProperty(QStringLiteral("pipe3d"), &scene);
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.setSource(QUrl(QStringLiteral("qrc:/pipe3d/Pipe3D.qml")));
    view.resize(1280, 800);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view)) return 1;
    QObject* origin = view.rootObject()->findChild<QObject*>(QStringLiteral("orbitOrigin"));
    if (!origin) {
        std::printf("bench_pipe3d: the scene has no camera origin\n");
        return 1;
    }
    const int frames = 20;
    const double empty = Spin(view, origin, frames);
    scene.SetHistory(history, 0.15);
    std::printf("bench_pipe3d: %zu points in the history, 1280 x 800, platform %s\n",
                history.Points(), qPrintable(QGuiApplication::platformName()));
    std::printf("  empty scene (ceiling)              %6.1f fps\n", empty);
    // Every level drawn while the camera turns; the view itself draws the
    // moving level while it turns (the software one under a software
    // renderer). TUBESCAN_PIPE3D_SHOTS=DIR keeps a picture of each level.
    const QString shots = qEnvironmentVariable("TUBESCAN_PIPE3D_SHOTS");
    for (const std::size_t budget :
         {std::size_t{1'000'320}, Pipe3DScene::kRestBudget, Pipe3DScene::kMovingBudget,
          Pipe3DScene::kSoftwareRestBudget, Pipe3DScene::kSoftwareMovingBudget}) {
        scene.SetBudgets(budget, budget);
        Spin(view, origin, 2);
        const double fps = Spin(view, origin, frames);
        const char* note = budget == Pipe3DScene::kMovingBudget ? "  <- turning, graphics card"
                           : budget == Pipe3DScene::kSoftwareMovingBudget
                               ? "  <- turning, software renderer"
                               : "";
        std::printf("  %7zu points drawn, turning      %6.1f fps (%3.0f %% of the ceiling)%s\n",
                    scene.DrawnPoints(), fps, 100.0 * fps / empty, note);
        if (!shots.isEmpty())
            view.grabWindow().save(QStringLiteral("%1/pipe3d-%2.png").arg(shots).arg(budget));
    }
    return 0;
}
