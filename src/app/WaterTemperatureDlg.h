// "From water temperature...": the operator gives the water's temperature
// and salinity (fresh water unless told), and the dialog works out the speed
// of sound in it.
#pragma once

#include <QDialog>

class QDoubleSpinBox;
class QLabel;

class CWaterTemperatureDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CWaterTemperatureDlg(QWidget* parent, double temperatureC = 10.0,
                                  double salinityPsu = 0.0);
    double TemperatureC() const;
    double SalinityPsu() const;
    double Speed() const; // m/s in that water

  private:
    void Update();

    QDoubleSpinBox* m_temperature = nullptr;
    QDoubleSpinBox* m_salinity = nullptr;
    QLabel* m_speed = nullptr;
};
