// The playback bar: a one-line bar with the file-position slider (1266), the
// speed progress bar (1261), the speed spin (1263) and two buttons for one
// frame back (1069) and one frame forward (1072). Controls carry their ids as
// object names.
#pragma once

#include <QTimer>
#include <QWidget>

#include <cstdint>

#include "doc/DocumentObserver.h"

class CSpinDelta;
class CTubescanDoc;
class QLabel;
class QProgressBar;
class QSlider;
class QToolButton;

class CPlaybackBar : public QWidget, private DocumentObserver {
    Q_OBJECT
  public:
    // focusTarget gets the keyboard focus back after a jump or a frame step
    // (the main frame).
    CPlaybackBar(CTubescanDoc& doc, QWidget* focusTarget, QWidget* parent = nullptr);
    ~CPlaybackBar() override;

    // Observes the document: the slider follows the records played when the
    // windows are refreshed, and the bar is set up and shown or hidden with
    // the playback bar.
    void Attach();

    // When a file has been opened for playback.
    void Setup();
    // The slider follows the playback (percentage of the file read).
    void SetPercent(std::int64_t percent);
    void FollowPlayback();
    // Release of the slider: jump to the record at or after the position.
    void Jump();
    void ChangeSpeed(int delta);
    void StepBack();
    void StepForward();

    std::uint64_t SliderStep() const { return m_sliderStep; }
    std::uint64_t JumpTarget() const { return m_jumpTarget; }
    QSlider* Slider() const { return m_slider; }
    QProgressBar* SpeedIndicator() const { return m_speedIndicator; }
    CSpinDelta* SpeedSpin() const { return m_speedSpin; }
    QString SpeedText() const;
    // What the slider's tooltip says at a percent of the file: the time and
    // the distance of the record there, once the index has read that far.
    QString TipAt(int percent) const;
    QProgressBar* IndexProgress() const { return m_indexProgress; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnRefreshWindows(bool diagnostics) override;
    void OnShowPlaybackBar(bool show) override;
    void GiveFocusBack();
    void ShowIndexProgress();

    CTubescanDoc& m_doc;
    QWidget* m_focusTarget;
    QSlider* m_slider;
    QProgressBar* m_speedIndicator;
    CSpinDelta* m_speedSpin;
    QLabel* m_speedValue;
    QToolButton* m_backButton;
    QToolButton* m_forwardButton;
    QProgressBar* m_indexProgress;
    QTimer m_indexTimer;
    std::uint64_t m_sliderStep = 0;
    std::uint64_t m_jumpTarget = 0;
};
