// LD_PRELOAD shim for Wine on a pseudo-terminal: a pty has no modem lines, so TIOCMGET and
// friends fail and Wine's WaitCommEvent gives up. This answers them with DSR, CTS and CD up.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>

int ioctl(int fd, unsigned long request, ...)
{
    static int (*real)(int, unsigned long, ...);
    if (!real)
        real = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    const int result = real(fd, request, arg);
    if (result == 0 || (errno != ENOTTY && errno != EINVAL))
        return result;
    switch (request) {
    case TIOCMGET:
        *(int*)arg = TIOCM_DSR | TIOCM_CTS | TIOCM_CD | TIOCM_DTR | TIOCM_RTS;
        return 0;
    case TIOCMSET:
    case TIOCMBIS:
    case TIOCMBIC:
        return 0;
    default:
        return result;
    }
}
