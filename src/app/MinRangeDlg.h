// "Set Profile Minimum Range:": the range below which the head ignores
// echoes for its profile, 0 ... 2.5 m in centimetre steps. The spin is a live
// preview: each click changes the document and the next head command at
// once, and stays in effect if the dialog is cancelled.
#pragma once

#include <QDialog>

#include "app/SetupDialogSupport.h"

class CTubescanDoc;

class CMinRangeDlg : public QDialog {
    Q_OBJECT
  public:
    // doc may be null: the dialog then starts at 0 and its spin changes nothing else.
    CMinRangeDlg(CTubescanDoc* doc, QWidget* mainFrame);

    double Value() const { return m_value; }
    ValueRow Row() const { return m_row; }
    MessageSink showMessage;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void OnSpin(int delta);
    void OnDefault();
    void OnOK();

    CTubescanDoc* m_doc;
    QWidget* m_mainFrame;
    ValueRow m_row;
    double m_value = 0.0;
};
