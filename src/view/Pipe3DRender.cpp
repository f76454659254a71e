#include "view/Pipe3DRender.h"

#include <algorithm>
#include <cmath>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QQmlContext>
#include <QQuickView>
#include <QSGRendererInterface>

#include "analysis/DeviationColours.h"
#include "view/Pipe3DScene.h"

void UseOpenGlForQtQuick() {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::OpenGL);
}

bool IsSoftwareRenderer(const QString& renderer) {
    for (const char* name : {"llvmpipe", "softpipe", "Software Rasterizer", "SWR"})
        if (renderer.contains(QLatin1String(name), Qt::CaseInsensitive)) return true;
    return false;
}

bool CanRender3D(QString* why, bool* software) {
    const QString platform = QGuiApplication::platformName();
    // These platforms may well make an OpenGL context, but Qt Quick 3D draws
    // nothing into their windows.
    if (platform == QLatin1String("minimal") || platform == QLatin1String("offscreen")) {
        if (why) *why = QStringLiteral("the \"%1\" display platform draws no 3D").arg(platform);
        return false;
    }
    QOpenGLContext context;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!context.create() || !surface.isValid() || !context.makeCurrent(&surface)) {
        if (why) *why = QStringLiteral("no OpenGL context can be had on this display");
        return false;
    }
    if (software) {
        const auto* name = context.functions()->glGetString(GL_RENDERER);
        *software =
            name && IsSoftwareRenderer(QString::fromLatin1(reinterpret_cast<const char*>(name)));
    }
    context.doneCurrent();
    return true;
}

QImage RenderPipe3D(const analysis::PipeHistory& history, double nominalRadius, QSize size,
                    QString* why, double marker) {
    if (!CanRender3D(why)) return {};
    UseOpenGlForQtQuick();
    Pipe3DScene scene;
    scene.SetHistory(history, nominalRadius);
    scene.SetMarker(marker);
    scene.SetDecorated(false); // the page has its own legend
    QQuickView view;
    bool failed = false;
    QObject::connect(&view, &QQuickWindow::sceneGraphError, &view,
                     [&failed, why](QQuickWindow::SceneGraphError, const QString& message) {
                         failed = true;
                         if (why) *why = message;
                     });
    view.rootContext()->setContextProperty(QStringLiteral("pipe3d"), &scene);
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.setSource(QUrl(QStringLiteral("qrc:/pipe3d/Pipe3D.qml")));
    if (view.status() != QQuickView::Ready) {
        if (why) *why = QStringLiteral("the 3D scene could not be loaded");
        return {};
    }
    view.resize(size);
    // Drawn in a window of its own, kept out of the way: a window that was
    // never shown grabs blank.
    view.setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    view.setPosition(-size.width() - 100, -size.height() - 100);
    view.show();
    QElapsedTimer waited;
    waited.start();
    while (!view.isExposed() && !failed && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QImage image = view.grabWindow();
    view.hide();
    if (failed) return {};
    if (image.isNull() && why) *why = QStringLiteral("the 3D scene could not be drawn");
    return image.convertToFormat(QImage::Format_RGB32);
}

bool PaintPipeProjection(QPainter& painter, const QRectF& target,
                         const analysis::PipeHistory& history, double nominalRadius) {
    if (history.Empty() || target.isEmpty()) return false;
    const double r = nominalRadius > 0.0 ? nominalRadius : 0.15;
    const double first = history.FirstDistance();
    const double length = std::max(history.LastDistance() - first, 1e-6);
    // Distance runs left to right; the cross-section's x leans back at 30
    // degrees, its y stands up, so the rings show as slanted ellipses.
    const double depth = 0.5;
    const double sectionW = 2.4 * r * depth * std::cos(M_PI / 6);
    const double sectionH = 2.4 * r + 2.4 * r * depth * std::sin(M_PI / 6);
    const double scaleY = target.height() / sectionH;
    const double scaleX = (target.width() - sectionW * scaleY) / length;
    const QPointF origin(target.left() + sectionW * scaleY / 2.0, target.center().y());
    std::vector<float> vertices;
    const std::size_t n = history.FillVertices(200'000, vertices);
    painter.save();
    painter.setClipRect(target);
    painter.fillRect(target, QColor(30, 30, 30));
    painter.setPen(Qt::NoPen);
    const double dot = std::clamp(target.height() / 250.0, 0.6, 2.0);
    for (std::size_t i = 0; i < n; ++i) {
        const float* v = vertices.data() + i * 7;
        const double x = v[0] / 100.0, y = v[1] / 100.0, d = v[2] / 100.0 - first;
        const QPointF p(origin.x() + d * scaleX + x * depth * std::cos(M_PI / 6) * scaleY,
                        origin.y() - (y + x * depth * std::sin(M_PI / 6)) * scaleY);
        painter.setBrush(QColor::fromRgbF(v[3], v[4], v[5]));
        painter.drawEllipse(p, dot, dot);
    }
    painter.restore();
    return true;
}
