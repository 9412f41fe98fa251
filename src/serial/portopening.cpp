#include "portopening.h"

#include "serialport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace dravix {
namespace {

// Who else has the device open, as "process 1234 (picocom)"; empty when nobody or unknown.
[[nodiscard]] QString deviceHolder(const QString& path)
{
#ifdef Q_OS_LINUX
    // Linux names every open descriptor under /proc; elsewhere there is nothing to read.
    const QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty())
        return {};
    const QString self = QString::number(QCoreApplication::applicationPid());
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid == self || !pid.front().isDigit())
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        for (const QString& fd : fds.entryList(QDir::Files | QDir::System)) {
            if (QFile::symLinkTarget(fds.filePath(fd)) != device)
                continue;
            QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
            const QString name = comm.open(QIODevice::ReadOnly)
                                     ? QString::fromLocal8Bit(comm.readAll().trimmed())
                                     : QString();
            return QStringLiteral("process %1 (%2)").arg(pid, name);
        }
    }
#else
    Q_UNUSED(path)
#endif
    return {};
}

} // namespace

void openPort(SerialPort& port)
{
    try {
        port.setPortOpen(true);
    } catch (const PortError& error) {
        if (!error.refusal())
            throw;
        const QString path = port.devicePath();
        throw PortError(PortErrorCode::CannotOpenPort,
                        explainOpenFailure(error.refusal()->error, path, error.refusal()->reason,
                                           deviceHolder(path)));
    }
}

QString didNotOpen(const QString& what, const PortError& error)
{
    return QStringLiteral("%1 did not open: %2")
        .arg(what, error.detail().isEmpty() ? error.text() : error.detail());
}

QString explainOpenFailure(QSerialPort::SerialPortError error, const QString& path,
                           const QString& qtReason, const QString& holder, const PortNaming& naming)
{
    // Qt reports a port that another Qt program holds as a permission error, so the holder,
    // when there is one, is the reason.
    if (!holder.isEmpty())
        return QStringLiteral("%1: in use by %2; close it there first").arg(path, holder);
    switch (error) {
    case QSerialPort::PermissionError:
        if (naming.deniedMeansInUse)
            return QStringLiteral("%1: in use by another program; close it there first").arg(path);
        return QStringLiteral("%1: permission denied; add yourself to the group that owns it "
                              "(usually dialout: sudo usermod -aG dialout $USER), then log out "
                              "and in again")
            .arg(path);
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("%1: no such device; is the drive's adapter plugged in? "
                              "dravix-terminal --list-ports shows the ports there are, and "
                              "DRAVIX_PORT1 or DRAVIX_PORT2 picks one")
            .arg(path);
    default:
        break;
    }
    return QStringLiteral("%1: %2").arg(path, qtReason);
}

} // namespace dravix
