#include "app/KeyInDlg.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "doc/TubescanDoc.h"
#include "format/NumberText.h"

CKeyInDlg::CKeyInDlg(CTubescanDoc& doc, QWidget* mainFrame)
    : QDialog(mainFrame, Qt::Tool), m_doc(doc), m_mainFrame(mainFrame) {
    setObjectName("143");
    setWindowTitle("Input");
    setModal(false);
    auto* layout = new QGridLayout(this);
    m_promptLabel = new QLabel("Key In ", this);
    m_promptLabel->setObjectName("1047");
    m_edit = new QLineEdit(this);
    m_edit->setObjectName("1046");
    m_edit->setMaxLength(15);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("1");
    ok->setDefault(true);
    layout->addWidget(m_promptLabel, 0, 0, 1, 2);
    layout->addWidget(m_edit, 1, 0);
    layout->addWidget(ok, 1, 1);
    connect(ok, &QPushButton::clicked, this, &CKeyInDlg::OnOK);
    connect(m_edit, &QLineEdit::returnPressed, this, &CKeyInDlg::OnOK);
    adjustSize();
}

bool CKeyInDlg::Open(params::KeyInKind kind) {
    const std::string prompt = params::KeyInPrompt(m_doc, kind);
    if (prompt.empty()) return false;
    m_kind = kind;
    m_prompt = QString::fromStdString(prompt);
    m_promptLabel->setText(m_prompt);
    m_edit->clear();
    // The new prompt may widen the box; take that size before placing it.
    layout()->activate();
    // Shown first: only a shown window knows the frame around it, and the
    // frame's outer edge is what gets placed.
    show();
    if (m_mainFrame) {
        // Right edge 15 pixels inside the frame's right edge, top 31 pixels
        // below the frame's top (outer edges).
        const QRect frame = m_mainFrame->frameGeometry();
        const QSize size = frameGeometry().size();
        move(frame.x() + frame.width() - 15 - size.width(), frame.y() + 31);
    }
    raise();
    activateWindow();
    m_edit->setFocus();
    return true;
}

void CKeyInDlg::OnOK() {
    const std::string text = m_edit->text().left(15).toStdString();
    if (m_kind == params::KeyInKind::Range)
        m_lastRange = TextToDouble(text);
    else
        m_lastInteger = TextToInt(text);
    params::KeyInEnter(m_doc, m_kind, text);
    HideAndReturnFocus();
}

void CKeyInDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    HideAndReturnFocus();
}

void CKeyInDlg::reject() {
    HideAndReturnFocus();
}

void CKeyInDlg::HideAndReturnFocus() {
    hide();
    if (m_mainFrame) {
        m_mainFrame->activateWindow();
        m_mainFrame->setFocus();
    }
}
