// The diagnostics window: a small modeless window listing what the last
// return header reported and what the program sends now. It lives, mostly
// hidden, as long as the document; the reply handler and the playback tick
// refresh it, and only changed lines are rewritten.
#pragma once

#include <array>

#include "app/ModelessWindow.h"
#include "doc/DiagnosticsRows.h"

class QLabel;

class CDiagnosticsDlg : public CModelessWindow {
    Q_OBJECT
  public:
    CDiagnosticsDlg(CTubescanDoc& doc, QWidget* mainFrame);

    // Every line but the two rate lines back to "n/a".
    void ResetDiagnostics();
    // The lines whose values changed, from the document.
    void RefreshDiagnostics();
    QLabel* Field(diag::Row row) const { return m_fields[row]; }

  private:
    void ApplyRows(const std::vector<diag::Row>& rows);

    diag::Rows m_rows;
    std::array<QLabel*, diag::kRowCount> m_fields{};
};
