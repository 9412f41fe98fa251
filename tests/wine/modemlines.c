// LD_PRELOAD shim that makes a pseudo-terminal look like a UART to Wine:
// - a pty has no modem lines, so TIOCMGET and friends fail and Wine's WaitCommEvent gives
//   up: they are answered with DSR, CTS and CD up;
// - a pty drops PARENB and keeps PARODD, which Wine cannot read back as a line setting
//   ("Request not supported"): reading the settings (TCGETS, Wine's tcgetattr) reports the
//   parity bits that were set, as a UART keeps them;
// - a COM port that Wine maps to /dev/ptmx is the master of a new pty, the drive's end that
//   the test owns: its slave is linked at DRAVIX_PTY_LINK for the terminal to open, and
//   closing the COM port hangs the slave up.
#define _GNU_SOURCE
#include <asm/termbits.h>
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

static int (*realIoctl)(int, unsigned long, ...);

static int callIoctl(int fd, unsigned long request, void* arg)
{
    if (!realIoctl)
        realIoctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    return realIoctl(fd, request, arg);
}

// The parity bits last set on each open pty, told apart from a later file on the same
// descriptor by its inode.
enum { kDescriptors = 4096 };
static const tcflag_t kParityBits = PARENB | PARODD | CMSPAR;
static struct
{
    ino_t inode;
    dev_t device;
    tcflag_t parity;
    int known;
} kept[kDescriptors];

// A master (TIOCGPTN answers) gets its slave unlocked and linked. A new master may get the
// number of one closed before, so the number alone does not say the work is done.
static void linkSlave(int fd)
{
    const char* link = getenv("DRAVIX_PTY_LINK");
    unsigned int number = 0;
    int unlock = 0;
    if (!link || callIoctl(fd, TIOCGPTN, &number) != 0 || callIoctl(fd, TIOCSPTLCK, &unlock) != 0)
        return;
    char slave[64];
    char current[64] = "";
    char temporary[4096];
    snprintf(slave, sizeof slave, "/dev/pts/%u", number);
    const ssize_t length = readlink(link, current, sizeof current - 1);
    if (length > 0 && (current[length] = 0, strcmp(current, slave) == 0))
        return;
    snprintf(temporary, sizeof temporary, "%s.new", link);
    unlink(temporary);
    if (symlink(slave, temporary) == 0)
        rename(temporary, link);
}

// termios and termios2 begin alike: c_cflag is the third field of both.
static void keepParity(int fd, const struct termios* settings)
{
    struct stat info;
    if (fd < 0 || fd >= kDescriptors || fstat(fd, &info) != 0)
        return;
    kept[fd].inode = info.st_ino;
    kept[fd].device = info.st_dev;
    kept[fd].parity = settings->c_cflag & kParityBits;
    kept[fd].known = 1;
}

static void restoreParity(int fd, struct termios* settings)
{
    struct stat info;
    if (fd < 0 || fd >= kDescriptors || !kept[fd].known || fstat(fd, &info) != 0 ||
        kept[fd].inode != info.st_ino || kept[fd].device != info.st_dev)
        return;
    settings->c_cflag = (settings->c_cflag & ~kParityBits) | kept[fd].parity;
}

int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    const int result = callIoctl(fd, request, arg);
    if (result == 0) {
        switch (request) {
        case TCGETS:
        case TCGETS2:
            linkSlave(fd);
            restoreParity(fd, arg);
            break;
        case TCSETS:
        case TCSETSW:
        case TCSETSF:
        case TCSETS2:
        case TCSETSW2:
        case TCSETSF2:
            keepParity(fd, arg);
            break;
        }
        return result;
    }
    if (errno != ENOTTY && errno != EINVAL)
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
