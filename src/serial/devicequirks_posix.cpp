#include "devicequirks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace dravix::devicequirks {

bool probesForHangUp()
{
    return true;
}

bool hungUp(NativeHandle handle)
{
    // Reading the modem lines costs one system call and fails with EIO once the tty has been
    // hung up; a pseudo-terminal that is alive answers ENOTTY, a real port its line states.
    int lines = 0;
    if (::ioctl(static_cast<int>(handle), TIOCMGET, &lines) == 0)
        return false;
    return errno == EIO || errno == ENXIO || errno == ENODEV;
}

bool lockExclusively(NativeHandle handle)
{
    return ::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0;
}

QString deviceHolder(const QString& path)
{
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
    return {};
}

void keepParityErrors(NativeHandle handle)
{
    // Qt asks for IGNPAR with parity on, which drops a bad character and shifts every later
    // reading; mark it instead. A driver without parity (a pseudo-terminal) still doubles 0xFF.
    const int fd = static_cast<int>(handle);
    termios attributes{};
    if (::tcgetattr(fd, &attributes) != 0)
        return;
    attributes.c_iflag &= ~static_cast<tcflag_t>(IGNPAR | ISTRIP);
    attributes.c_iflag |= INPCK | PARMRK;
    ::tcsetattr(fd, TCSANOW, &attributes);
}

bool parityErrorsArriveMarked()
{
    return true;
}

} // namespace dravix::devicequirks
