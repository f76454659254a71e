// "Input Pipe Parameter": the nominal pipe the overlay draws, a circle of a
// diameter or a horse shoe of a width and height, in the operator's unit.
// The spins move the document's lengths at once so the overlay follows them;
// OK takes the typed lengths and the shape, the caller stores the diameter.
#pragma once

#include <QDialog>

#include "app/SetupDialogSupport.h"

class CTubescanDoc;
struct SonarSettings;
class QRadioButton;

class CPipeParameterDlg : public QDialog {
    Q_OBJECT
  public:
    CPipeParameterDlg(CTubescanDoc* doc, QWidget* mainFrame);

    double Diameter() const { return m_diameter; }
    int Shape() const { return m_shape; }
    ValueRow DiameterRow() const { return m_diameterRow; }
    ValueRow WidthRow() const { return m_widthRow; }
    MessageSink showMessage;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Spin(double SonarSettings::*field, const ValueRow& row, int delta);
    void OnOK();

    CTubescanDoc* m_doc;
    QWidget* m_mainFrame;
    int m_units = 0;
    ValueRow m_diameterRow, m_widthRow, m_heightRow;
    QRadioButton* m_circle = nullptr;
    QRadioButton* m_horseShoe = nullptr;
    double m_diameter = 1.0;
    int m_shape = 0;
};
