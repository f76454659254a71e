// The settings panel: a floating window showing range, gain, sector, train and
// the profile display mode, each with a spin that steps it.
#pragma once

#include <QDialog>
#include <functional>

#include "app/ParameterRow.h"

class CTubescanDoc;

class CCtrlPanelDlg : public QDialog {
    Q_OBJECT
  public:
    CCtrlPanelDlg(CTubescanDoc& doc, QWidget* mainFrame);

    // Rewrites every control from the document.
    void Refresh();

    ParameterRow m_range, m_gain, m_sector, m_train, m_profile;

    // Set by the program: Hold turned off in real time restarts the head
    // link; focus or clicks in the panel hide the key-in box.
    std::function<void()> restartHeadLink;
    std::function<void()> hideKeyIn;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape closes like the close box
    bool event(QEvent* event) override;

  private:
    CTubescanDoc& m_doc;
};

// The "H" key of the panel and the diagnostics window: toggles Hold; when Hold
// ends in real time the head link restarts.
void ToggleHoldFromKey(CTubescanDoc& doc, const std::function<void()>& restartHeadLink);
