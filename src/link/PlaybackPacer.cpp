#include "doc/PlaybackPacer.h"

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

void CPlaybackPacer::Attach() {
    m_doc.m_hooks.startPlaybackTimer = [this](int ms) {
        StartTimer(ms);
        Poke();
    };
    m_doc.m_hooks.stopPlaybackTimer = [this] {
        StopTimer();
        Poke();
    };
    auto previous = m_doc.m_hooks.stopTimers;
    m_doc.m_hooks.stopTimers = [this, previous] {
        if (previous) previous();
        StopTimer();
    };
}

void CPlaybackPacer::StartTimer(int intervalMs) {
    if (intervalMs <= 0) {
        StopTimer();
        return;
    }
    m_timer.start(intervalMs);
}

void CPlaybackPacer::StopTimer() {
    m_timer.stop();
}

void CPlaybackPacer::Poke() {
    if (m_doc.WantsIdlePlayback() && !m_idle.isActive()) m_idle.start();
}

void CPlaybackPacer::OnTimer() {
    if (m_doc.m_playback != 1) return;
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
