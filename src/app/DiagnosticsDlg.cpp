#include "app/DiagnosticsDlg.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>

#include "app/CtrlPanelDlg.h"
#include "doc/TubescanDoc.h"

CDiagDlg::CDiagDlg(CTubescanDoc& doc, QWidget* mainFrame)
    : QDialog(mainFrame, Qt::Tool), m_doc(doc) {
    setObjectName("131");
    setWindowTitle("Diagnostics:");
    setModal(false);
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

void CDiagDlg::ResetDiagnostics() {
    m_rows.Reset();
    for (int r = 0; r < diag::kRowCount; ++r)
        m_fields[static_cast<std::size_t>(r)]->setText(
            QString::fromStdString(m_rows.Text(static_cast<diag::Row>(r))));
}

void CDiagDlg::RefreshDiagnostics() {
    ApplyRows(m_rows.Refresh(diag::ReadSource(m_doc)));
}

void CDiagDlg::ApplyRows(const std::vector<diag::Row>& rows) {
    for (const diag::Row row : rows)
        m_fields[row]->setText(QString::fromStdString(m_rows.Text(row)));
}

void CDiagDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_H) ToggleHoldFromKey(m_doc, restartHeadLink);
    QDialog::keyPressEvent(event);
}

void CDiagDlg::mousePressEvent(QMouseEvent* event) {
    if (hideKeyIn) hideKeyIn();
    QDialog::mousePressEvent(event);
}

bool CDiagDlg::event(QEvent* event) {
    // A press on the window's frame counts as a press in the window.
    if (event->type() == QEvent::NonClientAreaMouseButtonPress && hideKeyIn) hideKeyIn();
    return QDialog::event(event);
}

void CDiagDlg::closeEvent(QCloseEvent* event) {
    m_doc.m_settings.m_diagnosticsVisible = 0;
    event->ignore();
    hide();
}

void CDiagDlg::reject() {
    m_doc.m_settings.m_diagnosticsVisible = 0;
    hide();
}
