#include "app/DiagnosticsDlg.h"

#include <QGridLayout>
#include <QLabel>

#include "doc/TubescanDoc.h"

CDiagnosticsDlg::CDiagnosticsDlg(CTubescanDoc& doc, QWidget* mainFrame)
    // A press on the window's frame counts as a press in the window.
    : CModelessWindow(doc, &SonarSettings::m_diagnosticsVisible, mainFrame,
                      {QEvent::NonClientAreaMouseButtonPress}) {
    setObjectName("131");
    setWindowTitle("Diagnostics:");
    auto* grid = new QGridLayout(this);
    grid->setVerticalSpacing(2);
    for (int r = 0; r < diag::kRowCount; ++r) {
        const diag::RowLayout& row = diag::RowLayouts()[static_cast<std::size_t>(r)];
        grid->addWidget(new QLabel(QString::fromLatin1(row.label), this), r, 0);
        auto* field = new QLabel(QString::fromLatin1(diag::kInitialText), this);
        field->setObjectName(QString::number(row.id));
        // Wide enough for the longest line, so the window does not jump.
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance(":   8888 ms (888 Hz)"));
        grid->addWidget(field, r, 1);
        m_fields[static_cast<std::size_t>(r)] = field;
    }
    ResetDiagnostics();
    adjustSize();
    move(10, 150);
}

void CDiagnosticsDlg::ResetDiagnostics() {
    m_rows.Reset();
    for (int r = 0; r < diag::kRowCount; ++r)
        m_fields[static_cast<std::size_t>(r)]->setText(
            QString::fromStdString(m_rows.Text(static_cast<diag::Row>(r))));
}

void CDiagnosticsDlg::RefreshDiagnostics() {
    ApplyRows(m_rows.Refresh(diag::ReadSource(m_doc)));
}

void CDiagnosticsDlg::ApplyRows(const std::vector<diag::Row>& rows) {
    for (const diag::Row row : rows)
        m_fields[row]->setText(QString::fromStdString(m_rows.Text(row)));
}
