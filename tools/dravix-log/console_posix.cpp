#include "console.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace dravix::log {
namespace {

// A signal handler may only write; the event loop reads the other end.
std::array<int, 2> g_wakeUp{-1, -1};

void requestStop(int /*signal*/)
{
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(g_wakeUp[1], &byte, 1);
}

} // namespace

void quitOnStopRequests()
{
    if (::pipe(g_wakeUp.data()) != 0)
        return;
    for (const int fd : g_wakeUp) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    auto* notifier =
        new QSocketNotifier(g_wakeUp[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [] { QCoreApplication::exit(0); });
    struct sigaction action
    {
    };
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

void useBinaryStandardOutput() {}

} // namespace dravix::log
