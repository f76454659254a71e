#include "link/PlaybackPacer.h"

#include "doc/TubescanDoc.h"

namespace {
constexpr int kWatchMs = 50;
}

CPlaybackPacer::CPlaybackPacer(CTubescanDoc& doc, QObject* parent) : QObject(parent), m_doc(doc) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CPlaybackPacer::OnTimer);
    m_idle.setInterval(0);
    connect(&m_idle, &QTimer::timeout, this, &CPlaybackPacer::OnIdle);
    m_watch.setInterval(kWatchMs);
    connect(&m_watch, &QTimer::timeout, this, &CPlaybackPacer::Poke);
    m_watch.start();
}

CPlaybackPacer::~CPlaybackPacer() {
    if (m_attached) m_doc.PlaybackFile().SetClock(nullptr);
}

void CPlaybackPacer::Attach() {
    m_doc.PlaybackFile().SetClock(this);
    m_attached = true;
}

void CPlaybackPacer::Start(int intervalMs) {
    if (intervalMs <= 0)
        m_timer.stop();
    else
        m_timer.start(intervalMs);
    Poke();
}

void CPlaybackPacer::Stop() {
    m_timer.stop();
    Poke();
}

void CPlaybackPacer::Poke() {
    if (m_doc.WantsIdlePlayback() && !m_idle.isActive()) m_idle.start();
}

void CPlaybackPacer::OnTimer() {
    if (m_doc.Run().m_playback != 1) return;
    m_doc.PlaybackTick();
    emit ticked();
}

void CPlaybackPacer::OnIdle() {
    if (!m_doc.WantsIdlePlayback()) {
        m_idle.stop(); // nothing to play: no busy loop while held or timed
        return;
    }
    m_doc.PlaybackTick();
    emit ticked();
}
