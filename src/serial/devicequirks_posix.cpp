#include "devicequirks.h"

#include <cerrno>
#include <sys/ioctl.h>

namespace dravix::devicequirks {

bool probesForHangUp()
{
    return true;
}

bool hungUp(qintptr handle)
{
    // Reading the modem lines costs one system call and fails with EIO once the tty has been
    // hung up; a pseudo-terminal that is alive answers ENOTTY, a real port its line states.
    int lines = 0;
    if (::ioctl(static_cast<int>(handle), TIOCMGET, &lines) == 0)
        return false;
    return errno == EIO || errno == ENXIO || errno == ENODEV;
}

} // namespace dravix::devicequirks
