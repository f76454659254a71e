#include "app/SetupDialogSupport.h"

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "app/MenuLayout.h"
#include "app/SpinDelta.h"

void PlaceNearFrameTopRight(QWidget* dialog, const QWidget* mainFrame) {
    if (!dialog || !mainFrame) return;
    const QRect frame = mainFrame->frameGeometry();
    const QSize size = dialog->frameGeometry().size();
    dialog->move(frame.x() + frame.width() - 6 - size.width(), frame.y() + 90);
}

void ShowSetupMessage(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kAppTitle), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

void Refuse(const MessageSink& sink, const QString& text, QLineEdit* edit) {
    if (sink) sink(text);
    edit->setFocus();
    edit->selectAll();
}

ValueRow AddValueRow(QDialog* dialog, QGridLayout* grid, int row, const QString& label, int editId,
                     const QString& unit, int spinId) {
    ValueRow r;
    grid->addWidget(new QLabel(label, dialog), row, 0);
    r.edit = new QLineEdit(dialog);
    r.edit->setObjectName(QString::number(editId));
    r.edit->setMaxLength(20);
    grid->addWidget(r.edit, row, 1);
    r.spin = new CSpinDelta(dialog);
    r.spin->setObjectName(QString::number(spinId));
    grid->addWidget(r.spin, row, 2);
    if (!unit.isEmpty()) grid->addWidget(new QLabel(unit, dialog), row, 3);
    return r;
}

QPushButton* AddButton(QDialog* dialog, const QString& text, int id) {
    auto* button = new QPushButton(text, dialog);
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    return button;
}

ValueButtons AddValueButtons(QDialog* dialog, QGridLayout* grid, int row) {
    ValueButtons b{AddButton(dialog, "OK", 1), AddButton(dialog, "Cancel", 2),
                   AddButton(dialog, "Default", 23)};
    b.ok->setDefault(true);
    grid->addWidget(b.ok, row, 0);
    grid->addWidget(b.cancel, row, 1);
    grid->addWidget(b.byDefault, row, 2, 1, 2);
    return b;
}
