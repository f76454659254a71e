// tubescan-sim started on a free loopback port for a test, with the faults
// the test asks for; stopped when the object goes.
#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

class SimProcess {
  public:
    explicit SimProcess(const QStringList& args = {}) {
        m_process.setProgram(QStringLiteral(TUBESCAN_SIM_PATH));
        m_process.setArguments(QStringList{"--address", "127.0.0.1", "--port", "0", "--quiet"} +
                               args);
        m_process.start();
        if (!m_process.waitForStarted(3000)) return;
        // First line: "... listening on 127.0.0.1 port N".
        QDeadlineTimer deadline(3000);
        while (!m_process.canReadLine() && !deadline.hasExpired())
            m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        if (!m_process.canReadLine()) return;
        m_port = QString::fromUtf8(m_process.readLine()).trimmed().section(' ', -1).toUShort();
    }
    ~SimProcess() {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) m_process.kill();
        m_process.waitForFinished(3000);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    quint16 Port() const { return m_port; }

  private:
    QProcess m_process;
    quint16 m_port = 0;
};
