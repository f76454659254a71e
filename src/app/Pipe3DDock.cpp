#include "app/Pipe3DDock.h"

#include <cstdio>

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
    // Under the view, not over it: the view is a window of its own, which
    // no widget can lie on.
    m_readout = new QLabel(body);
    m_readout->setObjectName(QStringLiteral("Pipe3DReadout"));
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Three lines, kept whether or not a point is under the mouse, so the
    // view above does not jump; the view takes the rest.
    m_readout->setFixedHeight(3 * m_readout->fontMetrics().lineSpacing() + 6);
    m_readout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_readout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(m_readout);
    body->setMinimumSize(320, 240);
    setWidget(body);
    connect(m_scene, &Pipe3DScene::distanceClicked, this, &Pipe3DDock::DistanceClicked);
    connect(m_scene, &Pipe3DScene::wallHovered, this, &Pipe3DDock::ShowHit);
    connect(m_scene, &Pipe3DScene::hoverLeft, m_readout, &QLabel::clear);
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
        if (!scan.ring.empty())
            m_scene->Add(scan.Figures(), scan.ring,
                         analysis::RingFrameOf(scan.Figures(), scan.samples));
    if (!batch->scans.empty()) m_scene->SetMarker(batch->scans.back().marker);
}

void Pipe3DDock::ResetView() {
    m_scene->RequestReset();
}

void Pipe3DDock::SetSurvey(const survey::SurveyDetails& d, const analysis::NominalPipe& pipe) {
    std::string key;
    if (d.startNodeCoordinates && d.finishNodeCoordinates && !d.crs.empty()) {
        const survey::NodeCoordinates &a = *d.startNodeCoordinates, &b = *d.finishNodeCoordinates;
        char numbers[256];
        std::snprintf(numbers, sizeof numbers, "%.17g %.17g %.17g %.17g %.17g %.17g %.17g %.17g",
                      a.x, a.y, a.z, b.x, b.y, b.z, d.heightMm ? *d.heightMm : -1.0,
                      geo::NominalHeight(pipe));
        key = d.crs + '\n' + numbers;
    }
    if (key == m_placeKey) return;
    m_placeKey = key;
    m_place.reset();
    if (!key.empty()) m_place = geo::PlaceOfSurvey(d, pipe, nullptr);
    m_readout->clear();
}

QString Pipe3DDock::Readout() const {
    return m_readout->text();
}

void Pipe3DDock::ShowHit(const analysis::WallHit& hit) {
    m_readout->setText(Pipe3DReadoutText(hit, m_place ? &*m_place : nullptr, m_scene->Units()));
}

QString Pipe3DReadoutText(const analysis::WallHit& hit, const geo::SurveyPlace* place,
                          units::System system) {
    const analysis::SectionPoint at = analysis::OnSection(hit.x, hit.y, hit.frame);
    QString text =
        QStringLiteral("Chainage %1, bearing %2\u00B0, %3 from the %4")
            .arg(DockText(hit.distance, units::Kind::Distance, system, 2),
                 QString::number(at.bearing, 'f', 0),
                 DockText(at.radius, units::Kind::Distance, system, 3),
                 hit.frame.HasCentre() ? QStringLiteral("pipe's centre") : QStringLiteral("head"));
    if (!place) return text;
    const geo::Vec3 world = geo::PlaceHit(place->axis, hit);
    const QString unit = QString::fromStdString(place->UnitSymbol());
    return text + QStringLiteral("\nE %1 %4, N %2 %4, elevation %3 %4\nin %5")
                      .arg(QString::number(world[0], 'f', 3), QString::number(world[1], 'f', 3),
                           QString::number(world[2], 'f', 3), unit,
                           QString::fromStdString(place->crs.name));
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
    bool software = false;
    if (CanRender3D(&why, &software)) {
        UseOpenGlForQtQuick();
        if (software)
            m_scene->SetBudgets(Pipe3DScene::kSoftwareRestBudget,
                                Pipe3DScene::kSoftwareMovingBudget);
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
            // Above the read-out.
            static_cast<QVBoxLayout*>(widget()->layout())->insertWidget(1, container, 1);
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
