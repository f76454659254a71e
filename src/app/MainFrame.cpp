#include "app/MainFrame.h"

#include <mutex>

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>

#include "app/MenuLayout.h"
#include "app/StatusText.h"
#include "app/ToolBarIcons.h"
#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"
#include "view/AttitudeLayer.h"
#include "view/GridLayer.h"
#include "view/OverlayGeometry.h"
#include "view/StatusTextLayer.h"
#include "view/TubescanView.h"

namespace {

// The 23 status panes: a label's text sizes the pane; value panes and gaps
// get the widths here.
struct PaneLayout {
    const char* text;
    int width; // 0: as wide as the text
    enum Kind { Message, Label, Value, Spacer } kind;
};
constexpr std::array<PaneLayout, CMainFrame::kPaneCount> kPanes = {{
    {"", 50, PaneLayout::Message}, {"Pitch:", 0, PaneLayout::Label},    {"", 50, PaneLayout::Value},
    {"", 10, PaneLayout::Spacer},  {"Roll:", 0, PaneLayout::Label},     {"", 50, PaneLayout::Value},
    {"", 10, PaneLayout::Spacer},  {"Distance:", 0, PaneLayout::Label}, {"", 55, PaneLayout::Value},
    {"", 15, PaneLayout::Spacer},  {"Horz:", 0, PaneLayout::Label},     {"", 40, PaneLayout::Value},
    {"", 10, PaneLayout::Spacer},  {"Vert:", 0, PaneLayout::Label},     {"", 40, PaneLayout::Value},
    {"", 10, PaneLayout::Spacer},  {"Range:", 0, PaneLayout::Label},    {"", 40, PaneLayout::Value},
    {"", 10, PaneLayout::Spacer},  {"Bearing:", 0, PaneLayout::Label},  {"", 50, PaneLayout::Value},
    {"", 10, PaneLayout::Spacer},  {"", 120, PaneLayout::Value},
}};

Qt::Key QtKey(AccelKey key) {
    switch (key) {
    case AccelKey::F1:
        return Qt::Key_F1;
    case AccelKey::F2:
        return Qt::Key_F2;
    case AccelKey::F3:
        return Qt::Key_F3;
    case AccelKey::F4:
        return Qt::Key_F4;
    case AccelKey::F5:
        return Qt::Key_F5;
    case AccelKey::F6:
        return Qt::Key_F6;
    case AccelKey::Up:
        return Qt::Key_Up;
    case AccelKey::Down:
        return Qt::Key_Down;
    case AccelKey::Left:
        return Qt::Key_Left;
    case AccelKey::Right:
        return Qt::Key_Right;
    }
    return Qt::Key_unknown;
}

} // namespace

CMainFrame::CMainFrame(CTubescanDoc* doc, CommandMap& commands, QWidget* parent)
    : QMainWindow(parent), m_doc(doc), m_commands(commands) {
    setObjectName("MainFrame");
    setWindowTitle(kAppTitle);
    setWindowIcon(PaintApplicationIcon());
    m_view = new CTubescanView(doc, this);
    InstallGridLayer(*m_view);
    InstallAttitudeLayer(*m_view);
    InstallStatusTextLayer(*m_view);
    setCentralWidget(m_view);
    BuildMenu();
    BuildToolBar();
    BuildStatusBar();
    BuildAccelerators();
    BuildDialogBars();
    BuildContextMenu();
    // The view takes the keys whenever the frame gets the focus back (after
    // a dialog, for example), so the hot keys work without a click.
    setFocusProxy(m_view);
    m_view->SetPlaybackBarHeight(
        [this] { return m_playbackBar->isVisible() ? m_playbackBar->height() : 0; });
    connect(m_view, &CTubescanView::statusMessage, this, [this](const QString& text) {
        if (m_panes[0]) m_panes[0]->setText(text);
    });
    connect(m_view, &CTubescanView::cursorReadoutsChanged, this, &CMainFrame::RefreshStatusPanes);
    connect(m_view, &CTubescanView::commandRequested, this, [this](int id) {
        if (!m_doc) return;
        m_commands.Run(id);
        UpdateCommandUi();
    });
    m_statusRetry.setSingleShot(true);
    m_statusRetry.setInterval(5);
    connect(&m_statusRetry, &QTimer::timeout, this, &CMainFrame::RefreshStatusPanes);
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::MakeAction(int id, const QString& text) {
    if (auto it = m_actions.find(id); it != m_actions.end()) return it->second;
    auto* action = new QAction(text, this);
    action->setData(id);
    action->setObjectName(QStringLiteral("Command%1").arg(id));
    const QString prompt = QString::fromStdString(CommandPrompt(id));
    action->setStatusTip(prompt);
    action->setToolTip(prompt.isEmpty() ? QString::fromStdString(StripMnemonic(text.toStdString()))
                                        : prompt);
    // Every action lives on the window too, so its key works while the menu
    // bar is hidden (full screen).
    addAction(action);
    connect(action, &QAction::triggered, this, [this, id] {
        if (!m_doc) return;
        m_commands.Run(id);
        UpdateCommandUi();
    });
    m_actions.emplace(id, action);
    return action;
}

QAction* CMainFrame::Action(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::BuildMenu() {
    for (const MenuItem& popup : MainMenu()) {
        QMenu* menu = menuBar()->addMenu(QString::fromStdString(popup.text));
        AddMenuItems(menu, popup.children);
    }
}

void CMainFrame::AddMenuItems(QMenu* menu, const std::vector<MenuItem>& items, bool placeTexts) {
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUi);
    for (const MenuItem& item : items) {
        switch (item.kind) {
        case MenuItem::Kind::Separator:
            menu->addSeparator();
            break;
        case MenuItem::Kind::Popup:
            AddMenuItems(menu->addMenu(QString::fromStdString(item.text)), item.children,
                         placeTexts);
            break;
        case MenuItem::Kind::Command: {
            const QString text = QString::fromStdString(item.text);
            const bool firstPlace = Action(item.id) == nullptr;
            QAction* shared = MakeAction(item.id, text);
            if (firstPlace || !placeTexts) {
                menu->addAction(shared);
                break;
            }
            // A command in a second place ("&Diagnostics" in View and System)
            // keeps that place's text and follows the one action's state.
            auto* place = new QAction(text, menu);
            place->setData(item.id);
            place->setStatusTip(shared->statusTip());
            connect(place, &QAction::triggered, shared, &QAction::trigger);
            connect(shared, &QAction::changed, place, [place, shared] {
                place->setEnabled(shared->isEnabled());
                place->setCheckable(shared->isCheckable());
                place->setChecked(shared->isChecked());
            });
            menu->addAction(place);
            break;
        }
        }
    }
}

void CMainFrame::BuildToolBar() {
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName("ToolBar128");
    m_toolBar->setIconSize(QSize(32, 30));
    for (int id : ToolBarCommands()) {
        QAction* action = Action(id);
        if (!action) action = MakeAction(id, QString::fromStdString(CommandPrompt(id)));
        action->setIcon(PaintToolBarIcon(id));
        m_toolBar->addAction(action);
    }
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    // The pane widths are pixel counts made for a small status-bar font
    // (Arial's metrics, where the fonts are installed).
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(10);
    bar->setFont(font);
    for (std::size_t i = 0; i < kPanes.size(); ++i) {
        const PaneLayout& layout = kPanes[i];
        auto* pane = new QLabel(QString::fromLatin1(layout.text), bar);
        pane->setObjectName(QStringLiteral("StatusPane%1").arg(i));
        switch (layout.kind) {
        case PaneLayout::Message:
            pane->setText(kIdlePrompt);
            pane->setMinimumWidth(layout.width);
            bar->addWidget(pane, 1);
            break;
        case PaneLayout::Label:
            bar->addPermanentWidget(pane);
            break;
        case PaneLayout::Value:
            pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            // The width is the text's room; the sunken border comes on top.
            pane->setFixedWidth(layout.width + 2 * pane->frameWidth());
            bar->addPermanentWidget(pane);
            break;
        case PaneLayout::Spacer:
            pane->setFixedWidth(layout.width);
            pane->setEnabled(false);
            bar->addPermanentWidget(pane);
            break;
        }
        m_panes[i] = pane;
    }
}

void CMainFrame::BuildAccelerators() {
    for (const Accelerator& accel : AcceleratorTable()) {
        QAction* action = Action(accel.id);
        if (!action) action = MakeAction(accel.id, QString::fromStdString(CommandPrompt(accel.id)));
        action->setShortcut(QKeySequence(QtKey(accel.key)));
        action->setShortcutContext(Qt::WindowShortcut);
    }
    // Commands that no menu item, button or key carries still get an action,
    // so any part of the program can trigger them by id.
    MakeAction(cmd::kFullScreen, QStringLiteral("&Full Screen"));
}

void CMainFrame::BuildDialogBars() {
    // Both bars sit under the tool bar, hidden until their controls arrive.
    addToolBarBreak(Qt::TopToolBarArea);
    m_miniSettingsBar = addToolBar(QStringLiteral("Mini Settings"));
    m_miniSettingsBar->setObjectName("DialogBar139");
    m_miniSettingsBar->hide();
    // "Mini Settings Bar" in the View menu is the one way to show the bar:
    // the bar area's own pop-up would show it during playback too.
    m_miniSettingsBar->toggleViewAction()->setVisible(false);
    addToolBarBreak(Qt::TopToolBarArea);
    m_playbackBar = addToolBar(QStringLiteral("Playback"));
    m_playbackBar->setObjectName("DialogBar133");
    m_playbackBar->hide();
}

void CMainFrame::BuildContextMenu() {
    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName("Menu155");
    // The main menu's own actions, so enabled states and check marks are the
    // same wherever the operator sees them.
    AddMenuItems(m_contextMenu, ::ViewContextMenu(), false);
    m_view->SetContextMenu(m_contextMenu);
}

void CMainFrame::AddFrameCommands(CommandMap& commands) {
    commands.Add(cmd::kExit, {[this](int) { close(); }, {}});
    commands.Add(cmd::kFullScreen,
                 {[this](int) { ToggleFullScreen(); },
                  [this](int) {
                      return CommandUi{true, m_doc && m_doc->Display().m_fullScreen != 0};
                  }});
    commands.AddRange(cmd::kArrowDown, cmd::kArrowRight, {[this](int id) { MoveByArrow(id); }, {}});
}

void CMainFrame::UpdateCommandUi() {
    if (!m_doc) return;
    for (auto& [id, action] : m_actions) {
        const CommandUi ui = m_commands.Update(id);
        action->setEnabled(ui.enabled);
        action->setCheckable(ui.checked.has_value());
        if (ui.checked) action->setChecked(*ui.checked);
    }
}

void CMainFrame::RefreshStatusPanes() {
    if (!m_doc) return;
    StatusPaneTexts t;
    {
        // The acquisition thread holds this lock while it processes a ping;
        // rather than wait for it, try again a moment later.
        std::unique_lock lock(m_doc->PingMutex(), std::try_to_lock);
        if (!lock.owns_lock()) {
            if (!m_statusRetry.isActive()) m_statusRetry.start();
            return;
        }
        t = FormatStatusPanes(*m_doc, View()->Cursor());
    }
    const std::pair<int, const std::string*> values[] = {
        {2, &t.pitch},     {5, &t.roll},   {8, &t.distance}, {11, &t.horizontal},
        {14, &t.vertical}, {17, &t.range}, {20, &t.bearing}, {22, &t.dateTime}};
    for (const auto& [index, text] : values) {
        const QString s = QString::fromStdString(*text);
        if (Pane(index)->text() != s) Pane(index)->setText(s);
    }
}

void CMainFrame::UpdateTitleText() {
    if (!m_doc) return;
    if (m_doc->Run().m_playback == 1)
        SetTitle(QString::fromStdString("TubescanL - Playback File [" + m_doc->PlaybackFile().path +
                                        "] "));
    else
        SetTitle(QStringLiteral("TubescanL -- Real Time "));
}

void CMainFrame::SetTitle(const QString& title) {
    m_baseTitle = title;
    setWindowTitle(m_titleSuffix ? title + m_titleSuffix() : title);
}

void CMainFrame::ToggleFullScreen() {
    if (!m_doc) return;
    m_doc->Display().m_fullScreen = !m_doc->Display().m_fullScreen;
    const bool on = m_doc->Display().m_fullScreen != 0;
    // Tool bar and dialog bars stay as they are; caption, menu and status bar go.
    setWindowFlag(Qt::FramelessWindowHint, on);
    menuBar()->setVisible(!on);
    statusBar()->setVisible(!on);
    ShowMaximized();
}

void CMainFrame::ShowMaximized() {
    // Without a window manager (a bare X server) maximising does nothing, so
    // the frame first takes the whole available screen itself.
    if (QScreen* s = screen()) setGeometry(s->availableGeometry());
    showMaximized();
}

void CMainFrame::MoveByArrow(int id) {
    if (!m_doc) return;
    const int dx = id == cmd::kArrowLeft ? -1 : id == cmd::kArrowRight ? 1 : 0;
    const int dy = id == cmd::kArrowUp ? -1 : id == cmd::kArrowDown ? 1 : 0;
    if (m_doc->Display().m_moveShapeMode == 1) {
        View()->NudgeShape(dx, dy);
        m_doc->UpdateAllViews();
        return;
    }
    QCursor::setPos(QCursor::pos() + QPoint(dx, dy));
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // Menu and tool-bar prompts go to the message pane; "Ready" when none.
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        if (m_panes[0]) m_panes[0]->setText(tip.isEmpty() ? QString(kIdlePrompt) : tip);
        return true;
    }
    if (event->type() == QEvent::WindowActivate) emit activated();
    return QMainWindow::event(event);
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    UpdateTitleText();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_onClose) m_onClose();
    event->accept();
}
