#include "app/ComPortSetupDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/MenuLayout.h"
#include "doc/TubescanDoc.h"
#include "link/SerialPorts.h"

CComPortSetupDlg::CComPortSetupDlg(const ComPortChoice& values,
                                   const std::vector<std::string>& entries, QWidget* parent)
    : QDialog(parent), m_values(values) {
    setObjectName("132");
    setWindowTitle("COM Port Setup");

    auto* head = new QGroupBox("Sonar Head (115200, N, 8, 1)", this);
    m_headPorts = new QComboBox(head);
    m_headPorts->setObjectName("1014");
    m_rtsEnable = new QRadioButton("RTS Enable", head);
    m_rtsEnable->setObjectName("1015");
    m_autoEnable = new QRadioButton("Auto Enable", head);
    m_autoEnable->setObjectName("1016");
    auto* headLayout = new QFormLayout(head);
    headLayout->addRow("COM:", m_headPorts);
    auto* radios = new QHBoxLayout;
    radios->addWidget(m_rtsEnable);
    radios->addWidget(m_autoEnable);
    headLayout->addRow(radios);

    auto* orientation = new QGroupBox("Orientation Input (38400, N, 8, 1)", this);
    m_enable = new QCheckBox("Enable", orientation);
    m_enable->setObjectName("1045");
    m_orientationPorts = new QComboBox(orientation);
    m_orientationPorts->setObjectName("1043");
    m_baud = new QComboBox(orientation);
    m_baud->setObjectName("1044");
    auto* orientationLayout = new QFormLayout(orientation);
    orientationLayout->addRow(m_enable);
    orientationLayout->addRow("COM:", m_orientationPorts);
    orientationLayout->addRow("Baud:", m_baud);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("2");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(head);
    layout->addWidget(orientation);
    layout->addWidget(buttons);

    (m_values.rts == 1 ? m_rtsEnable : m_autoEnable)->setChecked(true);
    for (const std::string& entry : entries) {
        const QString text = QString::fromStdString(entry);
        m_headPorts->addItem(text);
        m_orientationPorts->addItem(text);
    }
    // The head list starts without a selection; the orientation list shows
    // the port in use when it is there.
    m_headPorts->setCurrentIndex(-1);
    m_orientationPorts->setCurrentIndex(-1);
    for (int i = 0; i < m_orientationPorts->count(); ++i)
        if (ParseComEntry(m_orientationPorts->itemText(i).toStdString()) ==
            m_values.orientationPort)
            m_orientationPorts->setCurrentIndex(i);
    m_enable->setChecked(m_values.orientationEnabled != 0);
    for (int baud : kOrientationBaudRates)
        m_baud->addItem(QString::number(baud));
    m_baud->setCurrentIndex(BaudIndexOf(BaudOfIndex(m_values.baudIndex)));
    UpdateEnabledControls();

    connect(m_headPorts, &QComboBox::activated, this, &CComPortSetupDlg::OnHeadPortSelected);
    connect(m_orientationPorts, &QComboBox::activated, this,
            &CComPortSetupDlg::OnOrientationPortSelected);
    connect(m_rtsEnable, &QRadioButton::clicked, this, [this] { m_values.rts = 1; });
    connect(m_autoEnable, &QRadioButton::clicked, this, [this] { m_values.rts = 0; });
    connect(m_enable, &QCheckBox::toggled, this, [this](bool on) {
        m_values.orientationEnabled = on ? 1 : 0;
        UpdateEnabledControls();
    });
    connect(m_baud, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) m_values.baudIndex = index;
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CComPortSetupDlg::OnHeadPortSelected(int index) {
    const auto port = ParseComEntry(m_headPorts->itemText(index).toStdString());
    if (!port || *port < kFirstListedComPort || *port > kLastListedComPort) {
        auto* box = new QMessageBox(QMessageBox::NoIcon, QString::fromLatin1(kAppTitle),
                                    "COM Port number is out of range (COM1 - COM32)",
                                    QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    m_values.headPort = *port;
}

void CComPortSetupDlg::OnOrientationPortSelected(int index) {
    if (const auto port = ParseComEntry(m_orientationPorts->itemText(index).toStdString()))
        m_values.orientationPort = *port;
}

void CComPortSetupDlg::UpdateEnabledControls() {
    const bool orientation = m_values.orientationEnabled != 0;
    m_orientationPorts->setEnabled(orientation);
    m_baud->setEnabled(orientation);
    const bool headControls = m_values.headModel == 0;
    m_headPorts->setEnabled(headControls);
    m_rtsEnable->setEnabled(headControls);
    m_autoEnable->setEnabled(headControls);
}

bool OnComPortSetup(CTubescanDoc& doc, SerialPorts& ports, QWidget* parent) {
    CComPortSetupDlg dialog(ComPortChoiceFromDocument(doc),
                            AvailableComPortEntries(doc.SettingsPath()), parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    ports.ApplyComPortSetup(dialog.Values());
    return true;
}
