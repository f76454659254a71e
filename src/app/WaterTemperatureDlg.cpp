#include "app/WaterTemperatureDlg.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>

#include "analysis/SoundSpeed.h"

CWaterTemperatureDlg::CWaterTemperatureDlg(QWidget* parent, double temperatureC, double salinityPsu)
    : QDialog(parent) {
    setObjectName(QStringLiteral("WaterTemperatureDlg"));
    setWindowTitle(QStringLiteral("Speed of Sound from the Water"));
    auto* form = new QFormLayout(this);
    m_temperature = new QDoubleSpinBox(this);
    m_temperature->setObjectName(QStringLiteral("WaterTemperature"));
    // The range the equation holds for.
    m_temperature->setRange(0.0, 40.0);
    m_temperature->setDecimals(1);
    m_temperature->setSingleStep(0.5);
    m_temperature->setSuffix(QStringLiteral(" \u00B0C"));
    m_temperature->setValue(temperatureC);
    m_salinity = new QDoubleSpinBox(this);
    m_salinity->setObjectName(QStringLiteral("WaterSalinity"));
    m_salinity->setRange(0.0, 40.0);
    m_salinity->setDecimals(1);
    m_salinity->setSuffix(QStringLiteral(" PSU"));
    m_salinity->setValue(salinityPsu);
    m_speed = new QLabel(this);
    m_speed->setObjectName(QStringLiteral("WaterSpeed"));
    form->addRow(QStringLiteral("Water temperature:"), m_temperature);
    form->addRow(QStringLiteral("Salinity (0: fresh water):"), m_salinity);
    form->addRow(QStringLiteral("Speed of sound:"), m_speed);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_temperature, &QDoubleSpinBox::valueChanged, this, &CWaterTemperatureDlg::Update);
    connect(m_salinity, &QDoubleSpinBox::valueChanged, this, &CWaterTemperatureDlg::Update);
    Update();
}

double CWaterTemperatureDlg::TemperatureC() const {
    return m_temperature->value();
}

double CWaterTemperatureDlg::SalinityPsu() const {
    return m_salinity->value();
}

double CWaterTemperatureDlg::Speed() const {
    return analysis::SoundSpeedInWater(TemperatureC(), SalinityPsu());
}

void CWaterTemperatureDlg::Update() {
    m_speed->setText(QString::number(Speed(), 'f', 1) + QStringLiteral(" m/s"));
}
