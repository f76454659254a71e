// The diagnostics window: a small modeless window listing what the last
// return header reported and what the program sends now. It lives, mostly
// hidden, as long as the document; the reply handler and the playback tick
// refresh it, and only changed lines are rewritten.
#pragma once

#include <array>
#include <functional>

#include <QDialog>

#include "doc/DiagnosticsRows.h"

class CTubescanDoc;
class QLabel;

class CDiagDlg : public QDialog {
    Q_OBJECT
  public:
    CDiagDlg(CTubescanDoc& doc, QWidget* mainFrame);

    // Every line but the two rate lines back to "n/a".
    void ResetDiagnostics();
    // The lines whose values changed, from the document.
    void RefreshDiagnostics();
    QLabel* Field(diag::Row row) const { return m_fields[row]; }

    // Set by the program: Hold released by "H" in real time restarts the
    // head link; a click in the window hides the key-in box.
    std::function<void()> restartHeadLink;
    std::function<void()> hideKeyIn;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape closes like the close box

  private:
    void ApplyRows(const std::vector<diag::Row>& rows);

    CTubescanDoc& m_doc;
    diag::Rows m_rows;
    std::array<QLabel*, diag::kRowCount> m_fields{};
};
