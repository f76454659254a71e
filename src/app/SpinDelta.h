// An up/down arrow pair without a buddy: each click reports a signed step and
// the owner computes the value itself. It keeps a position within a range,
// as the program's handlers read it back on release.
#pragma once

#include <QWidget>

class QToolButton;

class CSpinDelta : public QWidget {
    Q_OBJECT
  public:
    explicit CSpinDelta(QWidget* parent = nullptr);

    void SetRange(int low, int high);
    void SetPosition(int position);
    int Position() const { return m_position; }
    int Low() const { return m_low; }
    int High() const { return m_high; }

    // Simulates a click for tests and keyboard use: +1 up, -1 down.
    void Step(int delta);

  signals:
    void deltaRequested(int delta);
    // The mouse button went up on an arrow, after the step that click made.
    void released();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    int m_low = 0;
    int m_high = 0;
    int m_position = 0;
};
