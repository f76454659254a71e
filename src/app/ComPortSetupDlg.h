// "COM Port Setup": the head's serial port with its RTS choice, and the
// orientation input's port, "Enable" box and baud rate. Controls carry their
// resource ids as object names.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "doc/ComPorts.h"

class CTubescanDoc;
class QCheckBox;
class QComboBox;
class QRadioButton;
class SerialPorts;

class CComPortSetupDlg : public QDialog {
    Q_OBJECT
  public:
    // entries: the ports that exist, as ComPortEntries gives them.
    CComPortSetupDlg(const ComPortChoice& values, const std::vector<std::string>& entries,
                     QWidget* parent = nullptr);

    // What the dialog hands back on OK.
    const ComPortChoice& Values() const { return m_values; }

  private:
    void OnHeadPortSelected(int index);
    void OnOrientationPortSelected(int index);
    void UpdateEnabledControls();

    ComPortChoice m_values;
    QComboBox* m_headPorts = nullptr;
    QRadioButton* m_rtsEnable = nullptr;
    QRadioButton* m_autoEnable = nullptr;
    QCheckBox* m_enable = nullptr;
    QComboBox* m_orientationPorts = nullptr;
    QComboBox* m_baud = nullptr;
};

// Command 32796: fills the dialog from the document, runs it and, on OK,
// reopens the ports as chosen. Returns whether the operator pressed OK.
bool OnComPortSetup(CTubescanDoc& doc, SerialPorts& ports, QWidget* parent);
