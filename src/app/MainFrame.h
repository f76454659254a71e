// The main window: menu, tool bar, accelerators, status panes, the two dialog
// bars and the view. It routes every command id through the command map and
// keeps the items' enabled states and check marks in step with the document.
#pragma once

#include <array>
#include <functional>
#include <map>

#include <QMainWindow>
#include <QTimer>

class CommandMap;
class CTubescanDoc;
class CTubescanView;
class QAction;
class QLabel;
class QMenu;
class QToolBar;
struct MenuItem;

class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    static constexpr int kPaneCount = 23;

    // doc may be null: the frame then shows and does nothing.
    CMainFrame(CTubescanDoc* doc, CommandMap& commands, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The frame's own commands (exit, full screen, arrow keys) into the map.
    void AddFrameCommands(CommandMap& commands);

    CTubescanView* View() const { return m_view; }
    QMenu* ViewContextMenu() const { return m_contextMenu; }
    QAction* Action(int id) const;
    QLabel* Pane(int index) const { return m_panes.at(static_cast<std::size_t>(index)); }
    QToolBar* MainToolBar() const { return m_toolBar; }
    // Placeholders until their controls exist (templates 139 and 133).
    QToolBar* MiniSettingsBar() const { return m_miniSettingsBar; }
    QToolBar* PlaybackBar() const { return m_playbackBar; }

    // Enabled states and check marks of every command from the document.
    void UpdateCommandUi();
    // The value panes from the document.
    void RefreshStatusPanes();
    // "TubescanL - Playback File [...] " or "TubescanL -- Real Time ".
    void UpdateTitleText();
    // Sets the caption: title, then what the suffix source adds (the survey's
    // pipe and nodes while recording or playing back).
    void SetTitle(const QString& title);
    void SetTitleSuffix(std::function<QString()> suffix) { m_titleSuffix = std::move(suffix); }
    // The caption again with the suffix as it is now.
    void RefreshTitle() { SetTitle(m_baseTitle); }
    void ToggleFullScreen();
    // Shows the frame maximized, also where no window manager maximizes it.
    void ShowMaximized();

    // Runs when the window is closing, before it goes away (the orderly exit).
    void SetCloseHandler(std::function<void()> handler) { m_onClose = std::move(handler); }

  signals:
    // The main window became the active window.
    void activated();

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMenu();
    // Builds the menu from its description. With placeTexts, a command met a
    // second time gets an item of its own text that follows the one action;
    // without (the view's context menu) every item is the shared action.
    void AddMenuItems(QMenu* menu, const std::vector<MenuItem>& items, bool placeTexts = true);
    QAction* MakeAction(int id, const QString& text);
    void BuildToolBar();
    void BuildStatusBar();
    void BuildAccelerators();
    void BuildDialogBars();
    void BuildContextMenu();
    void MoveByArrow(int id);

    CTubescanDoc* m_doc;
    CommandMap& m_commands;
    CTubescanView* m_view = nullptr;
    QToolBar* m_toolBar = nullptr;
    QToolBar* m_miniSettingsBar = nullptr;
    QToolBar* m_playbackBar = nullptr;
    QMenu* m_contextMenu = nullptr;
    std::map<int, QAction*> m_actions;
    std::array<QLabel*, kPaneCount> m_panes{};
    QTimer m_statusRetry;
    std::function<void()> m_onClose;
    std::function<QString()> m_titleSuffix;
    QString m_baseTitle;
};
