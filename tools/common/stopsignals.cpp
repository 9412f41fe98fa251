#include "stopsignals.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace dravix {
namespace {

volatile std::sig_atomic_t g_stop = 0;
std::array<int, 2> g_pipe{-1, -1};

void onStopSignal(int /*signal*/)
{
    const int saved = errno;
    g_stop = 1;
    const unsigned char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

int stopSignalPipe(std::initializer_list<int> stopSignals)
{
    if (::pipe(g_pipe.data()) != 0)
        return -1;
    for (const int fd : g_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : stopSignals) {
        if (::sigaction(signal, &action, nullptr) != 0)
            return -1;
    }
    return g_pipe[0];
}

bool stopRequested()
{
    return g_stop != 0;
}

void drainStopSignals()
{
    std::array<unsigned char, 16> sink{};
    while (::read(g_pipe[0], sink.data(), sink.size()) > 0) {
    }
}

} // namespace dravix
