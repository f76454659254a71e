#include "app/IpAddressDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "doc/DialogRules.h"
#include "link/LoopbackGuard.h"

CIpAddressDlg::CIpAddressDlg(const std::string& address, QWidget* parent)
    : QDialog(parent), m_address(address) {
    setObjectName("130");
    setWindowTitle("Change IP Address");
    showMessage = [this](const QString& text) { ShowSetupMessage(this, text); };
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("IP Address:", this), 0, 0);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName("1000");
    m_edit->setMaxLength(15);
    grid->addWidget(m_edit, 0, 1, 1, 2);
    QPushButton* ok = AddButton(this, "OK", 1);
    QPushButton* cancel = AddButton(this, "Cancel", 2);
    ok->setDefault(true);
    grid->addWidget(ok, 1, 1);
    grid->addWidget(cancel, 1, 2);

    if (const auto quad = dlg::ParseDottedQuad(address))
        m_edit->setText(QString::fromStdString(dlg::QuadText(*quad)));
    connect(ok, &QPushButton::clicked, this, &CIpAddressDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CIpAddressDlg::OnOK() {
    const auto quad = dlg::ParseDottedQuad(m_edit->text().toStdString());
    if (!quad) {
        Refuse(showMessage, QString::fromLatin1(kIpAddressMessage), m_edit);
        return;
    }
    const std::string address = dlg::QuadText(*quad);
    const std::string refusal = loopback::CheckDestination(address, "Head link");
    if (!refusal.empty()) {
        Refuse(showMessage, QString::fromStdString(refusal), m_edit);
        return;
    }
    m_address = address;
    accept();
}
