#include "app/SpinDelta.h"

#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

CSpinDelta::CSpinDelta(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_up = new QToolButton(this);
    m_down = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFixedSize(16, 11);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
        // Only the operator's release counts, not the auto-repeat's.
        b->installEventFilter(this);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { Step(+1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
    setFixedWidth(16);
}

void CSpinDelta::SetRange(int low, int high) {
    m_low = std::min(low, high);
    m_high = std::max(low, high);
    m_position = std::clamp(m_position, m_low, m_high);
}

void CSpinDelta::SetPosition(int position) {
    m_position = std::clamp(position, m_low, m_high);
}

void CSpinDelta::Step(int delta) {
    m_position = std::clamp(m_position + delta, m_low, m_high);
    emit deltaRequested(delta);
}

bool CSpinDelta::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        (watched == m_up || watched == m_down)) {
        // The button reports its click while handling this release; the
        // release is reported once that step has been taken.
        QMetaObject::invokeMethod(this, &CSpinDelta::released, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}
