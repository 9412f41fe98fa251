#include "devicequirks.h"

#include <cerrno>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace dravix::devicequirks {

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
