// A setup dialog for one number: a row with the value, its unit and a spin,
// and OK, Cancel and Default. What the number is, how it is shown, stepped,
// checked and stored comes from its rules (dlg::ValueRules): the profile
// minimum range and the speed of sound are two sets of them.
#pragma once

#include <QDialog>

#include "app/SetupDialogSupport.h"

class CTubescanDoc;
class QGridLayout;
namespace dlg {
struct ValueRules;
}

class CValueDlg : public QDialog {
    Q_OBJECT
  public:
    // doc may be null: the dialog then starts at the rules' value for that,
    // and its spin changes nothing else.
    CValueDlg(const dlg::ValueRules& rules, CTubescanDoc* doc, QWidget* mainFrame);

    double Value() const { return m_value; }
    // Puts a value in the box as if typed (OK still checks it).
    void SetValue(double value) {
        m_value = value;
        Show(value);
    }
    ValueRow Row() const { return m_row; }
    // Where a caller adds rows of its own under the value's.
    QGridLayout* Grid() const { return m_grid; }
    // Refusals go here (a modal box unless replaced).
    MessageSink showMessage;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Show(double value);
    void OnSpin(int delta);
    void OnDefault();
    void OnOK();

    const dlg::ValueRules& m_rules;
    CTubescanDoc* m_doc;
    QWidget* m_mainFrame;
    ValueRow m_row;
    QGridLayout* m_grid = nullptr;
    double m_value = 0.0;
};

// Runs the dialog of `rules` modally and stores the value when it is
// accepted.
void RunValueDialog(const dlg::ValueRules& rules, CTubescanDoc& doc, QWidget* mainFrame);
