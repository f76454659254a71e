#include "app/ModelessWindow.h"

#include <algorithm>

#include <QCloseEvent>
#include <QKeyEvent>

#include "doc/TubescanDoc.h"

CModelessWindow::CModelessWindow(CTubescanDoc& doc, int SonarSettings::*visibleFlag,
                                 QWidget* mainFrame,
                                 std::initializer_list<QEvent::Type> keyInEvents)
    : QDialog(mainFrame, Qt::Tool), m_doc(doc), m_visibleFlag(visibleFlag),
      m_keyInEvents(keyInEvents) {
    m_keyInEvents.push_back(QEvent::MouseButtonPress);
    setModal(false);
}

void ToggleHoldFromKey(CTubescanDoc& doc, const std::function<void()>& restartHeadLink) {
    doc.Run().m_hold = doc.Run().m_hold ? 0 : 1;
    if (!doc.Run().m_hold && doc.Run().m_playback == 0 && restartHeadLink) restartHeadLink();
    doc.UpdateAllViews();
}

void CModelessWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_H) ToggleHoldFromKey(m_doc, restartHeadLink);
    QDialog::keyPressEvent(event);
}

bool CModelessWindow::event(QEvent* event) {
    if (hideKeyIn &&
        std::find(m_keyInEvents.begin(), m_keyInEvents.end(), event->type()) != m_keyInEvents.end())
        hideKeyIn();
    return QDialog::event(event);
}

void CModelessWindow::closeEvent(QCloseEvent* event) {
    m_doc.Settings().*m_visibleFlag = 0;
    event->ignore();
    hide();
}

void CModelessWindow::reject() {
    // Otherwise the window would hide while the settings file still says it
    // is shown, and it would come back at the next start.
    m_doc.Settings().*m_visibleFlag = 0;
    hide();
}
