// "Change IP Address": the head's address as four numbers 0-255. A stored
// address that is not such a dotted quad leaves the field blank. While the
// program is held to loopback, another address is refused here already.
#pragma once

#include <QDialog>
#include <string>

#include "app/SetupDialogSupport.h"

class QLineEdit;

class CIpAddressDlg : public QDialog {
    Q_OBJECT
  public:
    CIpAddressDlg(const std::string& address, QWidget* parent);

    // The accepted address in dotted decimal (the one handed in until OK).
    const std::string& Address() const { return m_address; }
    QLineEdit* Edit() const { return m_edit; }
    MessageSink showMessage;

  private:
    void OnOK();

    std::string m_address;
    QLineEdit* m_edit = nullptr;
};

inline constexpr const char* kIpAddressMessage =
    "Wrong Input!!! Make sure the address is four numbers between 0 and 255   ";
