#include "pseudoterminal.h"

#include "testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace dravix::test {

PseudoTerminal::PseudoTerminal()
{
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    // The slave descriptor stays open: the line's input queue and its lock are one for all
    // openers, and a master hang-up reaches every one of them, as from a real device.
    if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    hangUp();
    ::close(m_slave);
}

int PseudoTerminal::unread() const
{
    int waiting = 0;
    return ::ioctl(m_slave, FIONREAD, &waiting) == 0 ? waiting : -1;
}

bool PseudoTerminal::waitUntilRead()
{
    if (!waitFor([this] { return unread() == 0; }))
        return false;
    QCoreApplication::processEvents();
    return true;
}

bool PseudoTerminal::leftUnread(int count)
{
    if (!waitFor([this, count] { return unread() >= count; }))
        return false;
    QCoreApplication::processEvents();
    return unread() >= count;
}

bool PseudoTerminal::locked() const
{
    if (::flock(m_slave, LOCK_EX | LOCK_NB) == 0) {
        ::flock(m_slave, LOCK_UN);
        return false;
    }
    return errno == EWOULDBLOCK;
}

void PseudoTerminal::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            throw std::runtime_error("write to pseudo-terminal failed");
        // Full: let the program under test drain it.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

QByteArray PseudoTerminal::readAvailable(std::chrono::milliseconds wait)
{
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    qint64 quietSince = -1;
    // At least one read, so that a wait of 0 takes what has already arrived.
    for (bool first = true; first || timer.elapsed() < wait.count() ||
                            (quietSince >= 0 && timer.elapsed() - quietSince < 50);
         first = false) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        char buffer[4096];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            out.append(buffer, n);
            quietSince = timer.elapsed();
            continue;
        }
        if (!out.isEmpty() && timer.elapsed() - quietSince >= 50)
            break;
        pollfd fd{m_master, POLLIN, 0};
        ::poll(&fd, 1, 2);
    }
    return out;
}

void PseudoTerminal::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

} // namespace dravix::test
