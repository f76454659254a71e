#include "app/ValueDlg.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "app/SpinDelta.h"
#include "doc/DialogRules.h"
#include "doc/TubescanDoc.h"

CValueDlg::CValueDlg(const dlg::ValueRules& rules, CTubescanDoc* doc, QWidget* mainFrame)
    : QDialog(mainFrame), m_rules(rules), m_doc(doc), m_mainFrame(mainFrame) {
    setObjectName(QString::fromLatin1(rules.objectName));
    setWindowTitle(QString::fromLatin1(rules.title));
    showMessage = [this](const QString& text) { ShowSetupMessage(this, text); };
    auto* grid = m_grid = new QGridLayout(this);
    m_row = AddValueRow(this, grid, 0, QString::fromLatin1(rules.label), rules.editId,
                        QString::fromLatin1(rules.unit), rules.spinId);
    if (rules.centred) m_row.edit->setAlignment(Qt::AlignCenter);
    const ValueButtons buttons = AddValueButtons(this, grid, 1);

    m_value = m_doc ? rules.read(*m_doc) : rules.withoutDocument;
    Show(m_value);
    m_row.spin->SetRange(0, rules.spinHigh);
    m_row.spin->SetPosition(rules.spinPosition(m_value));

    connect(m_row.spin, &CSpinDelta::deltaRequested, this, &CValueDlg::OnSpin);
    connect(buttons.byDefault, &QPushButton::clicked, this, &CValueDlg::OnDefault);
    connect(buttons.ok, &QPushButton::clicked, this, &CValueDlg::OnOK);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CValueDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PlaceNearFrameTopRight(this, m_mainFrame);
}

void CValueDlg::Show(double value) {
    m_row.edit->setText(QString::fromStdString(m_rules.text(value)));
}

void CValueDlg::OnSpin(int delta) {
    if (m_doc && m_rules.spinTaken && !m_rules.spinTaken(*m_doc)) return;
    m_value = m_rules.spin(m_value, delta);
    Show(m_value);
    if (m_doc && m_rules.preview) m_rules.preview(*m_doc, m_value);
}

void CValueDlg::OnDefault() {
    // Only the dialog's value: the document changes on OK.
    m_value = m_rules.byDefault;
    Show(m_value);
}

void CValueDlg::OnOK() {
    const auto value = m_rules.accept(m_row.edit->text().toStdString());
    if (!value) {
        Refuse(showMessage, QString::fromLatin1(m_rules.refusal), m_row.edit);
        return;
    }
    m_value = *value;
    accept();
}

void RunValueDialog(const dlg::ValueRules& rules, CTubescanDoc& doc, QWidget* mainFrame) {
    CValueDlg dialog(rules, &doc, mainFrame);
    if (dialog.exec() == QDialog::Accepted) rules.store(doc, dialog.Value());
}
