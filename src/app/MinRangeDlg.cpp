#include "app/MinRangeDlg.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "app/SpinDelta.h"
#include "doc/DialogRules.h"
#include "doc/TubescanDoc.h"

CMinRangeDlg::CMinRangeDlg(CTubescanDoc* doc, QWidget* mainFrame)
    : QDialog(mainFrame), m_doc(doc), m_mainFrame(mainFrame) {
    setObjectName("151");
    setWindowTitle("Set Profile Minimum Range:");
    showMessage = [this](const QString& text) { ShowSetupMessage(this, text); };
    auto* grid = new QGridLayout(this);
    m_row = AddValueRow(this, grid, 0, "Profile Minimum Range:", 1073, "m", 1076);
    const ValueButtons buttons = AddValueButtons(this, grid, 1);

    if (m_doc) m_value = m_doc->m_settings.m_profileMinRange;
    m_row.edit->setText(QString::fromStdString(dlg::MinRangeText(m_value)));
    m_row.spin->SetRange(0, 250);
    m_row.spin->SetPosition(dlg::MinRangeSpinPosition(m_value));

    connect(m_row.spin, &CSpinDelta::deltaRequested, this, &CMinRangeDlg::OnSpin);
    connect(buttons.byDefault, &QPushButton::clicked, this, &CMinRangeDlg::OnDefault);
    connect(buttons.ok, &QPushButton::clicked, this, &CMinRangeDlg::OnOK);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CMinRangeDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PlaceNearFrameTopRight(this, m_mainFrame);
}

void CMinRangeDlg::OnSpin(int delta) {
    m_value = dlg::MinRangeSpin(m_value, delta);
    m_row.edit->setText(QString::fromStdString(dlg::MinRangeText(m_value)));
    if (m_doc) dlg::ApplyMinRange(*m_doc, m_value);
}

void CMinRangeDlg::OnDefault() {
    // Only the dialog's value: the document changes on OK.
    m_value = 0.0;
    m_row.edit->setText(QString::fromStdString(dlg::MinRangeText(m_value)));
}

void CMinRangeDlg::OnOK() {
    const auto value = dlg::AcceptMinRange(m_row.edit->text().toStdString());
    if (!value) {
        Refuse(showMessage, QString::fromLatin1(dlg::kMinRangeMessage), m_row.edit);
        return;
    }
    m_value = *value;
    accept();
}
