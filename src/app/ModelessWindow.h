// What the settings panel and the diagnostics window have in common: a tool
// window beside the main frame that lives as long as the document, mostly
// hidden. "H" toggles Hold in it as in the main window; closing it (close
// box or Escape) only hides it and clears the setting that would bring it
// back at the next start.
#pragma once

#include <functional>
#include <initializer_list>
#include <vector>

#include <QDialog>
#include <QEvent>

class CTubescanDoc;
struct SonarSettings;

class CModelessWindow : public QDialog {
    Q_OBJECT
  public:
    // visibleFlag: the setting that says whether the window shows at start.
    // keyInEvents: what, besides a mouse press in the window, hides the
    // key-in box (the operator has turned to this window).
    CModelessWindow(CTubescanDoc& doc, int SonarSettings::*visibleFlag, QWidget* mainFrame,
                    std::initializer_list<QEvent::Type> keyInEvents);

    // Set by the program: Hold released by "H" in real time restarts the
    // head link; turning to the window hides the key-in box.
    std::function<void()> restartHeadLink;
    std::function<void()> hideKeyIn;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape closes like the close box

    CTubescanDoc& m_doc;

  private:
    int SonarSettings::*m_visibleFlag;
    std::vector<QEvent::Type> m_keyInEvents;
};

// The "H" key of the modeless windows: toggles Hold; when Hold ends in real
// time the head link restarts.
void ToggleHoldFromKey(CTubescanDoc& doc, const std::function<void()>& restartHeadLink);
