#include "app/ParameterRow.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "app/SpinDelta.h"
#include "doc/ParameterSteps.h"

ParameterRow ParameterRow::Create(QWidget* parent, QGridLayout* layout, int row, int column,
                                  const QString& labelText, int editId, int spinId) {
    ParameterRow r;
    r.label = new QLabel(labelText, parent);
    r.edit = new QLineEdit(parent);
    r.edit->setReadOnly(true);
    r.edit->setFocusPolicy(Qt::NoFocus);
    r.edit->setObjectName(QString::number(editId));
    r.edit->setMinimumWidth(70);
    r.spin = new CSpinDelta(parent);
    r.spin->setObjectName(QString::number(spinId));
    layout->addWidget(r.label, row, column);
    layout->addWidget(r.edit, row, column + 1);
    layout->addWidget(r.spin, row, column + 2);
    return r;
}

void ParameterRow::Show(const std::string& text, int low, int high, int position) {
    edit->setText(QString::fromStdString(text));
    spin->SetRange(low, high);
    spin->SetPosition(position);
}

void ConnectSonarSpins(QObject* owner, CTubescanDoc& doc, ParameterRow& range, ParameterRow& gain,
                       ParameterRow& sector, ParameterRow& train) {
    CTubescanDoc* d = &doc;
    QObject::connect(range.spin, &CSpinDelta::deltaRequested, owner,
                     [d](int delta) { params::RangeSpin(*d, delta); });
    QObject::connect(gain.spin, &CSpinDelta::deltaRequested, owner,
                     [d](int delta) { params::GainSpin(*d, delta); });
    QObject::connect(sector.spin, &CSpinDelta::deltaRequested, owner,
                     [d](int delta) { params::SectorStep(*d, delta); });
    QObject::connect(train.spin, &CSpinDelta::deltaRequested, owner,
                     [d](int delta) { params::TrainStep(*d, delta); });
}
