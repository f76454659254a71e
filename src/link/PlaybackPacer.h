// Floor 4, link: the pace of playback. Timer 1010 at m_playbackSpeed
// milliseconds, or, at speed 0, one tick per pass of the event loop while the
// document wants idle playback. A zero-interval timer stands in for the idle
// handler; it runs only while there is something to play, and a slow watch
// restarts it when playback becomes possible again (hold released, speed set
// to 0, ...).
#pragma once

#include <QObject>
#include <QTimer>

#include "doc/PlaybackSession.h"

class CTubescanDoc;

class CPlaybackPacer : public QObject, public PlaybackClock {
    Q_OBJECT
  public:
    explicit CPlaybackPacer(CTubescanDoc& doc, QObject* parent = nullptr);
    ~CPlaybackPacer() override;

    // Becomes the clock of the document's playback.
    void Attach();

    // Timer 1010. An interval of 0 stops it: speed 0 belongs to the idle loop.
    void Start(int intervalMs) override;
    void Stop() override;
    bool TimerActive() const { return m_timer.isActive(); }
    int TimerInterval() const { return m_timer.interval(); }
    bool IdleActive() const { return m_idle.isActive(); }

    // Look at once whether idle playback should run (instead of at the next
    // watch tick).
    void Poke();

  signals:
    // After every playback tick this pacer ran.
    void ticked();

  private:
    void OnTimer();
    void OnIdle();

    CTubescanDoc& m_doc;
    bool m_attached = false;
    QTimer m_timer; // 1010
    QTimer m_idle;  // zero interval: one tick per event-loop pass
    QTimer m_watch; // restarts m_idle when idle playback becomes wanted
};
