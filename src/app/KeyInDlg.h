// The key-in box: a small modeless window in which the operator types a range,
// gain, sector width or train angle after pressing r, g, s or t in the view.
#pragma once

#include <QDialog>

#include "doc/ParameterSteps.h"

class CTubescanDoc;
class QLabel;
class QLineEdit;

class CKeyInDlg : public QDialog {
    Q_OBJECT
  public:
    CKeyInDlg(CTubescanDoc& doc, QWidget* mainFrame);

    // Opens the box for a kind next to the main frame's top-right corner.
    // Returns false (and stays hidden) when the kind is refused right now.
    bool Open(params::KeyInKind kind);
    params::KeyInKind Kind() const { return m_kind; }

    // Takes the typed value, hides the box and gives the focus back.
    void OnOK();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape hides like the close box

  private:
    void HideAndReturnFocus();

    CTubescanDoc& m_doc;
    QWidget* m_mainFrame;
    params::KeyInKind m_kind = params::KeyInKind::Range;
    int m_lastInteger = -10;
    double m_lastRange = -10.0;
    QString m_prompt;
    QLineEdit* m_edit = nullptr;
    QLabel* m_promptLabel = nullptr;
};
