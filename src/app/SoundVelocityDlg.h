// "Input Sound Velocity": the speed of sound in m/s, typed or stepped by
// 0.1 m/s, within 1400 ... 1600. The caller stores the value on OK.
#pragma once

#include <QDialog>

#include "app/SetupDialogSupport.h"

class CTubescanDoc;

class CSoundVelocityDlg : public QDialog {
    Q_OBJECT
  public:
    // doc may be null: the dialog then starts at 1500 m/s.
    CSoundVelocityDlg(const CTubescanDoc* doc, QWidget* mainFrame);

    double Value() const { return m_value; }
    ValueRow Row() const { return m_row; }
    // Refusals go here (a modal box unless replaced).
    MessageSink showMessage;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void OnSpin(int delta);
    void OnDefault();
    void OnOK();

    const CTubescanDoc* m_doc;
    QWidget* m_mainFrame;
    ValueRow m_row;
    double m_value = 1500.0;
};
