#include "app/CtrlPanelDlg.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>

#include "app/SpinDelta.h"
#include "doc/ParameterSteps.h"
#include "doc/TubescanDoc.h"

CCtrlPanelDlg::CCtrlPanelDlg(CTubescanDoc& doc, QWidget* mainFrame)
    : QDialog(mainFrame, Qt::Tool), m_doc(doc) {
    setObjectName("103");
    setWindowTitle(" Settings");
    setModal(false);
    auto* layout = new QGridLayout(this);
    m_range = ParameterRow::Create(this, layout, 0, 0, "Range:", 1049, 1050);
    m_gain = ParameterRow::Create(this, layout, 1, 0, "Gain:", 1051, 1052);
    m_sector = ParameterRow::Create(this, layout, 2, 0, "Sector:", 1053, 1054);
    m_train = ParameterRow::Create(this, layout, 3, 0, "Train:", 1055, 1056);
    m_profile = ParameterRow::Create(this, layout, 4, 0, "Profile:", 1064, 1067);

    ConnectSonarSpins(this, m_doc, m_range, m_gain, m_sector, m_train);
    connect(m_profile.spin, &CSpinDelta::deltaRequested, this,
            [this](int d) { params::ProfileSpin(m_doc, d); });
    // Whatever a spin did, the panel shows the document afterwards.
    for (ParameterRow* r : {&m_range, &m_gain, &m_sector, &m_train, &m_profile})
        connect(r->spin, &CSpinDelta::deltaRequested, this, [this] { Refresh(); });
    Refresh();
    adjustSize();
}

void CCtrlPanelDlg::Refresh() {
    using namespace headproto;
    m_range.Show(params::PanelRangeText(m_doc), 0, 9, m_doc.m_settings.m_rangeIndex);
    m_gain.Show(params::GainText(m_doc), 0, 40, m_doc.m_settings.m_gain);
    m_sector.Show(params::SectorText(m_doc), 0, 120, m_doc.m_command[kCmdSectorWidth]);
    m_train.Show(params::TrainText(m_doc), 0, 120, m_doc.m_command[kCmdTrain]);
    m_profile.Show(params::ProfileModeText(m_doc.m_settings.m_profileDispMode), 0, 4,
                   m_doc.m_settings.m_profileDispMode);
}

void ToggleHoldFromKey(CTubescanDoc& doc, const std::function<void()>& restartHeadLink) {
    doc.m_hold = doc.m_hold ? 0 : 1;
    if (!doc.m_hold && doc.m_playback == 0 && restartHeadLink) restartHeadLink();
    doc.UpdateAllViews();
}

void CCtrlPanelDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_H) ToggleHoldFromKey(m_doc, restartHeadLink);
    QDialog::keyPressEvent(event);
}

void CCtrlPanelDlg::focusInEvent(QFocusEvent* event) {
    if (hideKeyIn) hideKeyIn();
    QDialog::focusInEvent(event);
}

void CCtrlPanelDlg::mousePressEvent(QMouseEvent* event) {
    if (hideKeyIn) hideKeyIn();
    QDialog::mousePressEvent(event);
}

bool CCtrlPanelDlg::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && hideKeyIn) hideKeyIn();
    return QDialog::event(event);
}

void CCtrlPanelDlg::closeEvent(QCloseEvent* event) {
    m_doc.m_settings.m_settingsDlgVisible = 0;
    event->ignore();
    hide();
}

void CCtrlPanelDlg::reject() {
    // Otherwise the panel would hide while the settings file still says it
    // is shown, and it would come back at the next start.
    m_doc.m_settings.m_settingsDlgVisible = 0;
    hide();
}
