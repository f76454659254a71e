// SIGINT and SIGTERM turned into an ordinary event-loop notification: the
// signal handler only writes one byte to a pipe; everything else (closing the
// document, saving settings) runs later on the user-interface thread.
#pragma once

#include <QObject>

class QSocketNotifier;

class CExitSignals : public QObject {
    Q_OBJECT
  public:
    // Installs the handlers; they stay until this object is destroyed.
    explicit CExitSignals(QObject* parent = nullptr);
    ~CExitSignals() override;
    bool Installed() const { return m_notifier != nullptr; }

  signals:
    void exitRequested(int signalNumber);

  private:
    void ReadPipe();
    QSocketNotifier* m_notifier = nullptr;
};
