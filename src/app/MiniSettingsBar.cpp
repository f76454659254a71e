#include "app/MiniSettingsBar.h"

#include <QGridLayout>

#include "app/SpinDelta.h"
#include "doc/ParameterSteps.h"
#include "doc/TubescanDoc.h"

CMiniSettingsBar::CMiniSettingsBar(CTubescanDoc& doc, QWidget* parent)
    : QWidget(parent), m_doc(doc) {
    setObjectName("139");
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    m_range = ParameterRow::Create(this, layout, 0, 0, "Range:", 1049, 1050);
    m_gain = ParameterRow::Create(this, layout, 0, 3, "Gain:", 1051, 1052);
    m_sector = ParameterRow::Create(this, layout, 0, 6, "Sector:", 1053, 1054);
    m_train = ParameterRow::Create(this, layout, 0, 9, "Train:", 1055, 1056);
    m_speed = ParameterRow::Create(this, layout, 0, 12, "Speed:", 1057, 1058);
    m_mode = ParameterRow::Create(this, layout, 0, 15, "Mode:", 1059, 1060);
    layout->setColumnStretch(18, 1);

    ConnectSonarSpins(this, m_doc, m_range, m_gain, m_sector, m_train);
    connect(m_range.spin, &CSpinDelta::released, this,
            [this] { params::RangeSpinReleased(m_doc, m_range.spin->Position()); });
    // Speed and mode spins show fixed values and do nothing. Whatever a spin
    // did, its position shows the document again, so a later release of the
    // range spin adopts what the operator sees.
    for (ParameterRow* r : {&m_range, &m_gain, &m_sector, &m_train, &m_speed, &m_mode})
        connect(r->spin, &CSpinDelta::deltaRequested, this, [this] { Refresh(); });
    Refresh();
}

void CMiniSettingsBar::Refresh() {
    using namespace headproto;
    m_range.Show(params::MiniBarRangeText(m_doc), 0, 9, m_doc.Settings().m_rangeIndex);
    m_gain.Show(params::GainText(m_doc), 0, 40, m_doc.Settings().m_gain);
    m_sector.Show(params::SectorText(m_doc), 0, 120, m_doc.Command()[kCmdSectorWidth]);
    m_train.Show(params::TrainText(m_doc), 0, 120, m_doc.Command()[kCmdTrain]);
    m_speed.Show("Fast", 0, 0, m_doc.Command()[kCmdStepSize]);
    m_mode.Show("Polar", 0, 0, m_doc.Settings().m_sectorMode);
}
