// A pseudo-terminal pair made by socat: what is written to one end can be
// read from the other, as through a null-modem cable. Nothing but the two
// terminals is touched; socat is stopped (and the pair vanishes) when the
// object goes or Close() is called.
#pragma once

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QThread>

#include <string>

class PtyPair {
  public:
    // The two ends appear as the links pty-sensor and pty-program in `dir`.
    explicit PtyPair(const std::string& dir)
        : m_a(QString::fromStdString(dir + "pty-sensor")),
          m_b(QString::fromStdString(dir + "pty-program")) {
        m_socat.setProgram(QStringLiteral("socat"));
        m_socat.setArguments({"pty,raw,echo=0,link=" + m_a, "pty,raw,echo=0,link=" + m_b});
        m_socat.start();
        if (!m_socat.waitForStarted(3000)) return;
        QDeadlineTimer deadline(5000);
        while (!(QFileInfo::exists(m_a) && QFileInfo::exists(m_b)) && !deadline.hasExpired())
            QThread::msleep(10);
    }
    ~PtyPair() { Close(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ready() const { return QFileInfo::exists(m_a) && QFileInfo::exists(m_b); }
    std::string SensorEnd() const { return m_a.toStdString(); }
    std::string ProgramEnd() const { return m_b.toStdString(); }

    // Pulls the plug: socat ends and both terminals go away.
    void Close() {
        if (m_socat.state() == QProcess::NotRunning) return;
        m_socat.terminate();
        if (!m_socat.waitForFinished(3000)) m_socat.kill();
        m_socat.waitForFinished(3000);
    }

  private:
    QString m_a, m_b;
    QProcess m_socat;
};
