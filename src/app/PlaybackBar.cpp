#include "app/PlaybackBar.h"

#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QThread>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>
#include <cmath>

#include "app/SpinDelta.h"
#include "doc/TubescanDoc.h"

namespace {
constexpr int kMaxSpeed = 50;
}

CPlaybackBar::CPlaybackBar(CTubescanDoc& doc, QWidget* focusTarget, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_focusTarget(focusTarget) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(new QLabel(tr("File Pos:"), this));

    m_backButton = new QToolButton(this);
    m_backButton->setObjectName(QStringLiteral("1069"));
    m_backButton->setArrowType(Qt::LeftArrow);
    m_backButton->setToolTip(tr("One frame back"));
    row->addWidget(m_backButton);

    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("1266"));
    m_slider->setRange(0, 100);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setTickInterval(10);
    m_slider->setPageStep(10);
    m_slider->setMinimumWidth(200);
    row->addWidget(m_slider, 1);

    m_forwardButton = new QToolButton(this);
    m_forwardButton->setObjectName(QStringLiteral("1072"));
    m_forwardButton->setArrowType(Qt::RightArrow);
    m_forwardButton->setToolTip(tr("One frame forward"));
    row->addWidget(m_forwardButton);

    // How much of the file the index has read: Go To and the slider's
    // tooltip know the part read so far; playback does not wait for it.
    m_indexProgress = new QProgressBar(this);
    m_indexProgress->setObjectName(QStringLiteral("IndexProgress"));
    m_indexProgress->setRange(0, 100);
    m_indexProgress->setFormat(tr("Index %p%"));
    m_indexProgress->setMaximumWidth(110);
    m_indexProgress->hide();
    row->addWidget(m_indexProgress);
    m_slider->installEventFilter(this);
    connect(&m_indexTimer, &QTimer::timeout, this, &CPlaybackBar::ShowIndexProgress);
    m_speedIndicator = new QProgressBar(this);
    m_speedIndicator->setObjectName(QStringLiteral("1261"));
    m_speedIndicator->setRange(0, kMaxSpeed);
    m_speedIndicator->setTextVisible(false);
    m_speedIndicator->setMaximumWidth(120);
    row->addWidget(m_speedIndicator);

    m_speedSpin = new CSpinDelta(this);
    m_speedSpin->setObjectName(QStringLiteral("1263"));
    m_speedSpin->SetRange(0, kMaxSpeed);
    row->addWidget(m_speedSpin);
    // The interval itself, beside the arrows that change it.
    m_speedValue = new QLabel(this);
    m_speedValue->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00 ms")));
    row->addWidget(m_speedValue);
    row->addWidget(new QLabel(tr("Speed"), this));

    connect(m_slider, &QSlider::sliderPressed, this,
            [this] { m_doc.PlaybackFile().seekDragging = 1; });
    connect(m_slider, &QSlider::sliderReleased, this, &CPlaybackBar::Jump);
    // A click on the groove (or a key) moves the slider without a drag; the
    // position is already set when the action is reported.
    connect(m_slider, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && !m_slider->isSliderDown()) Jump();
    });
    connect(m_speedSpin, &CSpinDelta::deltaRequested, this, &CPlaybackBar::ChangeSpeed);
    connect(m_backButton, &QToolButton::clicked, this, &CPlaybackBar::StepBack);
    connect(m_forwardButton, &QToolButton::clicked, this, &CPlaybackBar::StepForward);
}

CPlaybackBar::~CPlaybackBar() {
    m_doc.RemoveObserver(this);
}

void CPlaybackBar::Attach() {
    m_doc.AddObserver(this);
}

// Every playback tick (and Go To) ends by refreshing the windows, once the
// position shown is known: the slider follows then. Only the user-interface
// thread may touch the slider.
void CPlaybackBar::OnRefreshWindows(bool) {
    if (m_doc.Run().m_playback == 1 && QThread::currentThread() == thread()) FollowPlayback();
}

void CPlaybackBar::OnShowPlaybackBar(bool show) {
    if (show) Setup();
    setVisible(show);
}

void CPlaybackBar::Setup() {
    m_speedSpin->SetRange(0, kMaxSpeed);
    m_speedSpin->SetPosition(m_doc.Settings().m_playbackSpeed);
    m_speedValue->setText(SpeedText());
    {
        const QSignalBlocker block(m_slider);
        m_slider->setRange(0, 100);
        m_slider->setTickInterval(10);
    }
    m_speedIndicator->setRange(0, kMaxSpeed);
    m_speedIndicator->setValue(
        std::clamp(kMaxSpeed - m_doc.Settings().m_playbackSpeed, 0, kMaxSpeed));
    m_sliderStep = m_doc.PlaybackFile().length / 100;
    m_indexTimer.start(100);
    ShowIndexProgress();
}

void CPlaybackBar::ShowIndexProgress() {
    const auto* index = m_doc.PlaybackIndex();
    const bool reading = m_doc.Run().m_playback == 1 && index && !index->Complete();
    if (index) m_indexProgress->setValue(index->Percent());
    m_indexProgress->setVisible(reading);
    if (!reading) m_indexTimer.stop();
}

QString CPlaybackBar::TipAt(int percent) const {
    const auto* index = m_doc.PlaybackIndex();
    playindex::IndexEntry e;
    const std::uint64_t offset = m_sliderStep * static_cast<std::uint64_t>(std::max(percent, 0));
    if (m_doc.Run().m_playback != 1 || !index || !index->EntryAtOffset(offset, e))
        return tr("%1 % of the file").arg(percent);
    QString text = tr("%1 %").arg(percent);
    if (std::isfinite(e.time)) {
        const auto ms = static_cast<long long>(std::llround(std::fmod(e.time, 86400.0) * 1000.0));
        text += QStringLiteral("  %1:%2:%3")
                    .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
                    .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                    .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'));
    }
    if (std::isfinite(e.distance)) {
        const bool feet = m_doc.Settings().m_units == 1 || m_doc.Settings().m_units == 2;
        text += feet ? QStringLiteral("  %1 ft").arg(e.distance / 0.3048, 0, 'f', 2)
                     : QStringLiteral("  %1 m").arg(e.distance, 0, 'f', 2);
    }
    return text;
}

bool CPlaybackBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_slider && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        QStyleOptionSlider option;
        option.initFrom(m_slider);
        option.orientation = m_slider->orientation();
        option.minimum = m_slider->minimum();
        option.maximum = m_slider->maximum();
        const QRect groove = m_slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                               QStyle::SC_SliderGroove, m_slider);
        const int percent = QStyle::sliderValueFromPosition(
            m_slider->minimum(), m_slider->maximum(), help->pos().x() - groove.x(),
            std::max(groove.width(), 1));
        QToolTip::showText(help->globalPos(), TipAt(percent), m_slider);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CPlaybackBar::FollowPlayback() {
    if (m_doc.PlaybackFile().seekDragging == 0) SetPercent(m_doc.PlaybackFile().Percent());
}

void CPlaybackBar::SetPercent(std::int64_t percent) {
    const QSignalBlocker block(m_slider);
    m_slider->setValue(static_cast<int>(std::clamp<std::int64_t>(percent, 0, 100)));
    m_slider->setTickInterval(10);
}

void CPlaybackBar::Jump() {
    m_doc.PlaybackFile().seekDragging = 1;
    int p = m_slider->sliderPosition();
    // Let go at the right end: the file starts again.
    if (p >= m_slider->maximum()) p = m_slider->minimum();
    m_jumpTarget = m_sliderStep * static_cast<std::uint64_t>(std::max(p, 0));
    m_slider->setTickInterval(10);
    m_doc.ClearImage();
    if (m_doc.Run().m_playback == 1) m_doc.SeekToRecord(m_jumpTarget);
    GiveFocusBack();
    m_doc.PlaybackFile().seekDragging = 0;
    m_doc.UpdateAllViews();
}

void CPlaybackBar::ChangeSpeed(int delta) {
    const int speed = m_doc.ChangePlaybackSpeed(delta);
    m_speedIndicator->setValue(kMaxSpeed - speed);
    m_speedSpin->SetPosition(speed);
    m_speedValue->setText(SpeedText());
}

QString CPlaybackBar::SpeedText() const {
    return QStringLiteral("%1 ms").arg(m_doc.Settings().m_playbackSpeed);
}

void CPlaybackBar::StepBack() {
    m_doc.StepFrameBack();
    GiveFocusBack();
}

void CPlaybackBar::StepForward() {
    m_doc.StepFrameForward();
    GiveFocusBack();
}

void CPlaybackBar::GiveFocusBack() {
    if (m_focusTarget) m_focusTarget->setFocus(Qt::OtherFocusReason);
}
