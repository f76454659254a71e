#include "app/SoundVelocityDlg.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "app/SpinDelta.h"
#include "doc/DialogRules.h"
#include "doc/TubescanDoc.h"

CSoundVelocityDlg::CSoundVelocityDlg(const CTubescanDoc* doc, QWidget* mainFrame)
    : QDialog(mainFrame), m_doc(doc), m_mainFrame(mainFrame) {
    setObjectName("141");
    setWindowTitle("Input Sound Velocity");
    showMessage = [this](const QString& text) { ShowSetupMessage(this, text); };
    auto* grid = new QGridLayout(this);
    m_row = AddValueRow(this, grid, 0, "Sound Velocity:", 1011, "m/s", 1012);
    m_row.edit->setAlignment(Qt::AlignCenter);
    const ValueButtons buttons = AddValueButtons(this, grid, 1);

    if (m_doc) m_value = m_doc->m_settings.m_soundVelocity;
    m_row.edit->setText(QString::fromStdString(dlg::SoundVelocityText(m_value)));
    m_row.spin->SetRange(0, 2000);
    m_row.spin->SetPosition(dlg::SoundVelocitySpinPosition(m_value));

    connect(m_row.spin, &CSpinDelta::deltaRequested, this, &CSoundVelocityDlg::OnSpin);
    connect(buttons.byDefault, &QPushButton::clicked, this, &CSoundVelocityDlg::OnDefault);
    connect(buttons.ok, &QPushButton::clicked, this, &CSoundVelocityDlg::OnOK);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CSoundVelocityDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PlaceNearFrameTopRight(this, m_mainFrame);
}

void CSoundVelocityDlg::OnSpin(int delta) {
    // The speed of sound of a recording is the recording's.
    if (m_doc && m_doc->m_playback != 0) return;
    m_value = dlg::SoundVelocitySpin(m_value, delta);
    m_row.edit->setText(QString::fromStdString(dlg::SoundVelocityText(m_value)));
}

void CSoundVelocityDlg::OnDefault() {
    m_value = dlg::kSoundVelocityDefault;
    m_row.edit->setText(QString::fromStdString(dlg::SoundVelocityText(m_value)));
}

void CSoundVelocityDlg::OnOK() {
    const auto value = dlg::AcceptSoundVelocity(m_row.edit->text().toStdString());
    if (!value) {
        Refuse(showMessage, QString::fromLatin1(dlg::kSoundVelocityMessage), m_row.edit);
        return;
    }
    m_value = *value;
    accept();
}
