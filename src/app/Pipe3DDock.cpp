#include "app/Pipe3DDock.h"

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickView>
#include <QShortcut>
#include <QVBoxLayout>

#include "app/DockUnits.h"
#include "doc/CommandIds.h"
#include "doc/CommandMap.h"
#include "link/LiveAnalysisWorker.h"
#include "view/Pipe3DRender.h"
#include "view/Pipe3DScene.h"

Pipe3DDock::Pipe3DDock(QWidget* parent)
    : QDockWidget(QStringLiteral("Pipe 3D"), parent), m_scene(new Pipe3DScene(this)) {
    setObjectName(QStringLiteral("Pipe3DDock"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    m_message = new QLabel(QStringLiteral("The 3D view is made when it is first shown."), body);
    m_message->setObjectName(QStringLiteral("Pipe3DMessage"));
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    layout->addWidget(m_message);
    body->setMinimumSize(320, 240);
    setWidget(body);
    connect(m_scene, &Pipe3DScene::distanceClicked, this, &Pipe3DDock::DistanceClicked);
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Home), QKeySequence(Qt::Key_R)}) {
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, &Pipe3DDock::ResetView);
    }
}

// The scene goes after the view that reads it.
Pipe3DDock::~Pipe3DDock() {
    delete m_view;
}

void Pipe3DDock::AddScan(const std::shared_ptr<const analysis::AnalysedScan>& scan) {
    if (!scan) return;
    m_scene->Add(*scan);
    if (!scan->samples.empty()) m_scene->SetMarker(scan->samples.back().distance);
}

void Pipe3DDock::TakeBatch(const std::shared_ptr<const analysis::LiveBatch>& batch) {
    if (!batch) return;
    for (const analysis::LiveScan& scan : batch->scans)
        if (!scan.ring.empty()) m_scene->Add(scan.Figures(), scan.ring);
    if (!batch->scans.empty()) m_scene->SetMarker(batch->scans.back().marker);
}

void Pipe3DDock::ResetView() {
    m_scene->RequestReset();
}

void Pipe3DDock::showEvent(QShowEvent* event) {
    QDockWidget::showEvent(event);
    m_scene->SetShown(true);
    if (!m_tried) MakeView();
}

void Pipe3DDock::hideEvent(QHideEvent* event) {
    QDockWidget::hideEvent(event);
    m_scene->SetShown(false);
}

void Pipe3DDock::MakeView() {
    m_tried = true;
    QString why;
    if (CanRender3D(&why)) {
        UseOpenGlForQtQuick();
        // A window of its own in a container, not a QQuickWidget: a Quick
        // widget makes the whole main window compose through OpenGL, and
        // with a software renderer every repaint of the live picture would
        // then cost a full-window upload, slowing the head's ping rate
        // twentyfold.
        auto* quick = new QQuickView;
        quick->setResizeMode(QQuickView::SizeRootObjectToView);
        quick->rootContext()->setContextProperty(QStringLiteral("pipe3d"), m_scene);
        quick->setSource(QUrl(QStringLiteral("qrc:/pipe3d/Pipe3D.qml")));
        if (quick->status() == QQuickView::Ready) {
            QWidget* container = QWidget::createWindowContainer(quick, widget());
            container->setObjectName(QStringLiteral("Pipe3DView"));
            container->setFocusPolicy(Qt::StrongFocus);
            connect(quick, &QQuickWindow::sceneGraphError, this,
                    [this, container](QQuickWindow::SceneGraphError, const QString& message) {
                        container->hide();
                        m_message->setText(QStringLiteral("The 3D view cannot be drawn: ") +
                                           message);
                        m_message->show();
                    });
            widget()->layout()->addWidget(container);
            m_message->hide();
            m_view = container;
            return;
        }
        why = QStringLiteral("the 3D scene could not be loaded");
        delete quick;
    }
    m_message->setText(QStringLiteral("The 3D view cannot be shown here: ") + why +
                       QStringLiteral(". The other views work as usual."));
}

Pipe3DDock* AttachPipe3DDock(LiveAnalysisWorker& live, const DockUnits& units, QMainWindow& frame,
                             CommandMap& commands) {
    auto* dock = new Pipe3DDock(&frame);
    Pipe3DScene* scene = &dock->Scene();
    scene->SetUnits(units.System());
    QObject::connect(&units, &DockUnits::changed, scene,
                     [scene, &units] { scene->SetUnits(units.System()); });
    frame.addDockWidget(Qt::RightDockWidgetArea, dock);
    QObject::connect(&live, &LiveAnalysisWorker::batchReady, dock, &Pipe3DDock::TakeBatch);
    QPointer<Pipe3DDock> guard(dock);
    commands.Add(cmd::kPipe3D, CommandEntry{[guard](int) {
                                                if (guard) guard->setVisible(!guard->isVisible());
                                            },
                                            [guard](int) {
                                                return CommandUi{true, guard && guard->isVisible()};
                                            }});
    return dock;
}
