#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace dravix::test {

// The simulated drive in its own process, as the run command starts it.
class SimulatedDrive
{
public:
    explicit SimulatedDrive(const QStringList& arguments)
    {
        m_process.start(QStringLiteral(DRAVIX_SIM_PATH), arguments);
        if (m_process.waitForStarted(5000) && m_process.waitForReadyRead(5000))
            m_devicePath = QString::fromLocal8Bit(m_process.readLine().trimmed());
    }
    ~SimulatedDrive()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
    }
    [[nodiscard]] QString devicePath() const { return m_devicePath; }

private:
    QProcess m_process;
    QString m_devicePath;
};

} // namespace dravix::test
