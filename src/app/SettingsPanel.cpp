#include "app/SettingsPanel.h"

#include <QGridLayout>

#include "app/SpinDelta.h"
#include "doc/ParameterSteps.h"
#include "doc/TubescanDoc.h"

CSettingsPanel::CSettingsPanel(CTubescanDoc& doc, QWidget* mainFrame)
    : CModelessWindow(doc, &SonarSettings::m_settingsPanelVisible, mainFrame,
                      {QEvent::WindowActivate, QEvent::FocusIn}) {
    setObjectName("103");
    setWindowTitle(" Settings");
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

void CSettingsPanel::Refresh() {
    using namespace headproto;
    const SonarSettings& s = m_doc.Settings();
    m_range.Show(params::PanelRangeText(m_doc), 0, 9, s.m_rangeIndex);
    m_gain.Show(params::GainText(m_doc), 0, 40, s.m_gain);
    m_sector.Show(params::SectorText(m_doc), 0, 120, m_doc.Command()[kCmdSectorWidth]);
    m_train.Show(params::TrainText(m_doc), 0, 120, m_doc.Command()[kCmdTrain]);
    m_profile.Show(params::ProfileModeText(s.m_profileDispMode), 0, 4, s.m_profileDispMode);
}
