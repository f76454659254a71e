#include "app/PipeParameterDlg.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/SpinDelta.h"
#include "doc/DialogRules.h"
#include "doc/TubescanDoc.h"

namespace {

QString Length(double metres, int units) {
    return QString::fromStdString(dlg::LengthText(metres, units));
}

} // namespace

CPipeParameterDlg::CPipeParameterDlg(CTubescanDoc* doc, QWidget* mainFrame)
    : QDialog(mainFrame), m_doc(doc), m_mainFrame(mainFrame) {
    setObjectName("149");
    setWindowTitle("Input Pipe Parameter");
    showMessage = [this](const QString& text) { ShowSetupMessage(this, text); };
    if (m_doc) m_units = m_doc->Settings().m_units;

    auto* grid = new QGridLayout(this);
    auto* unit = new QLabel(QString::fromStdString(dlg::UnitCaption(m_units)), this);
    unit->setObjectName("1086");
    grid->addWidget(unit, 0, 0, 1, 3);
    m_circle = new QRadioButton("Circle", this);
    m_circle->setObjectName("1079");
    m_horseShoe = new QRadioButton("HorseShoe", this);
    m_horseShoe->setObjectName("1082");
    // Exclusive, yet the irregular shape starts with neither checked.
    auto* shapes = new QButtonGroup(this);
    shapes->addButton(m_circle, 0);
    shapes->addButton(m_horseShoe, 1);
    grid->addWidget(m_circle, 1, 0);
    grid->addWidget(m_horseShoe, 1, 1);
    m_diameterRow = AddValueRow(this, grid, 2, "Diameter:", 1063, {}, 1066);
    m_widthRow = AddValueRow(this, grid, 3, "Width:", 1070, {}, 1074);
    m_heightRow = AddValueRow(this, grid, 4, "Height:", 1077, {}, 1085);
    QPushButton* ok = AddButton(this, "OK", 1);
    ok->setDefault(true);
    grid->addWidget(ok, 5, 1);

    if (m_doc) {
        m_shape = m_doc->Settings().m_pipeShape;
        m_diameter = m_doc->Settings().m_circleDiameter;
        m_circle->setChecked(m_shape == 0);
        m_horseShoe->setChecked(m_shape == 1);
        m_diameterRow.edit->setText(Length(m_diameter, m_units));
        m_widthRow.edit->setText(Length(m_doc->Settings().m_horseShoeWidth, m_units));
        m_heightRow.edit->setText(Length(m_doc->Settings().m_horseShoeHeight, m_units));
        m_diameterRow.spin->SetRange(10, 1200);
        m_diameterRow.spin->SetPosition(dlg::PipeSpinPosition(m_diameter, 1200));
        m_widthRow.spin->SetRange(10, 200);
        m_widthRow.spin->SetPosition(
            dlg::PipeSpinPosition(m_doc->Settings().m_horseShoeWidth, 200));
        m_heightRow.spin->SetRange(10, 200);
        m_heightRow.spin->SetPosition(
            dlg::PipeSpinPosition(m_doc->Settings().m_horseShoeHeight, 200));
    }

    connect(shapes, &QButtonGroup::idClicked, this, [this](int id) { m_shape = id; });
    connect(m_diameterRow.spin, &CSpinDelta::deltaRequested, this,
            [this](int d) { Spin(&SonarSettings::m_circleDiameter, m_diameterRow, d); });
    connect(m_widthRow.spin, &CSpinDelta::deltaRequested, this,
            [this](int d) { Spin(&SonarSettings::m_horseShoeWidth, m_widthRow, d); });
    connect(m_heightRow.spin, &CSpinDelta::deltaRequested, this,
            [this](int d) { Spin(&SonarSettings::m_horseShoeHeight, m_heightRow, d); });
    connect(ok, &QPushButton::clicked, this, &CPipeParameterDlg::OnOK);
}

void CPipeParameterDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PlaceNearFrameTopRight(this, m_mainFrame);
}

void CPipeParameterDlg::Spin(double SonarSettings::*field, const ValueRow& row, int delta) {
    if (!m_doc) return;
    m_doc->Settings().*field = dlg::PipeLengthSpin(m_doc->Settings().*field, m_units, delta);
    row.edit->setText(Length(m_doc->Settings().*field, m_units));
    m_doc->UpdateAllViews();
}

void CPipeParameterDlg::OnOK() {
    const auto diameter = dlg::AcceptPipeLength(m_diameterRow.edit->text().toStdString(), m_units);
    const auto width = dlg::AcceptPipeLength(m_widthRow.edit->text().toStdString(), m_units);
    const auto height = dlg::AcceptPipeLength(m_heightRow.edit->text().toStdString(), m_units);
    if (!diameter || !width || !height) {
        // Nothing is taken until all three lengths are.
        QLineEdit* first = !diameter ? m_diameterRow.edit
                           : !width  ? m_widthRow.edit
                                     : m_heightRow.edit;
        Refuse(showMessage, QString::fromStdString(dlg::PipeLengthMessage(m_units)), first);
        return;
    }
    m_diameter = *diameter;
    if (m_doc) {
        m_doc->Settings().m_horseShoeWidth = *width;
        m_doc->Settings().m_horseShoeHeight = *height;
        m_doc->Settings().m_pipeShape = m_shape;
    }
    accept();
}
