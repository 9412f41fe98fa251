#include "simrunner.h"

#include "stopsignals.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace dravix::sim {

namespace {

using namespace std::chrono_literals;

constexpr auto kReconnectCheck = 50ms;
constexpr auto kDrainLimit = 2s;
// Lateness beyond this comes from a stalled terminal; it is dropped rather than sent in a rush.
constexpr auto kMaxLag = 50ms;
constexpr std::size_t kBatchReadings = 512;

// A stop signal makes it readable.
int g_wakeUp = -1;

// Sleeps up to the given time; a stop signal cuts it short.
void waitForWake(std::chrono::milliseconds limit)
{
    pollfd wake{g_wakeUp, POLLIN, 0};
    if (::poll(&wake, 1, static_cast<int>(limit.count())) > 0)
        drainStopSignals();
}

void say(const std::string& text)
{
    std::fprintf(stderr, "dravix-sim: %s\n", text.c_str());
}

void sayFailure(const std::string& what)
{
    say(what + ": " + std::strerror(errno));
}

} // namespace

SimRunner::SimRunner(Options options)
    : m_options(std::move(options)), m_drive(m_options.start, m_options.step, m_options.distance),
      m_interval(std::chrono::nanoseconds(1'000'000'000 / m_options.rate))
{
}

SimRunner::~SimRunner()
{
    removeLink();
    if (m_master >= 0)
        ::close(m_master);
}

bool SimRunner::openDevice()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        sayFailure("cannot open a pseudo-terminal");
        return false;
    }
    const char* name = ::ptsname(m_master);
    if (name == nullptr) {
        sayFailure("cannot name the pseudo-terminal");
        return false;
    }
    m_devicePath = name;
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);

    // Raw mode is set through a brief open of the device. Closing it again leaves the master
    // hung up, which is how we tell that no terminal has the device open.
    const int device = ::open(name, O_RDWR | O_NOCTTY);
    termios settings{};
    if (device < 0 || ::tcgetattr(device, &settings) != 0) {
        sayFailure("cannot set up " + m_devicePath);
        if (device >= 0)
            ::close(device);
        return false;
    }
    ::cfmakeraw(&settings);
    const bool raw = ::tcsetattr(device, TCSANOW, &settings) == 0;
    ::close(device);
    if (!raw)
        sayFailure("cannot make " + m_devicePath + " raw");
    return raw;
}

bool SimRunner::createLink()
{
    // A link made aside and renamed over the path replaces an old one in one step.
    const std::string temporary = m_options.link + ".tmp" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(m_devicePath.c_str(), temporary.c_str()) != 0 ||
        ::rename(temporary.c_str(), m_options.link.c_str()) != 0) {
        sayFailure("cannot make link " + m_options.link);
        ::unlink(temporary.c_str());
        return false;
    }
    m_linkMade = true;
    return true;
}

void SimRunner::removeLink()
{
    if (!m_linkMade)
        return;
    m_linkMade = false;
    // Leave it alone if someone has pointed it elsewhere since.
    std::array<char, PATH_MAX> target{};
    const auto length = ::readlink(m_options.link.c_str(), target.data(), target.size() - 1);
    if (length >= 0 &&
        std::string_view(target.data(), static_cast<std::size_t>(length)) == m_devicePath)
        ::unlink(m_options.link.c_str());
}

bool SimRunner::terminalAbsent() const
{
    pollfd master{m_master, 0, 0};
    return ::poll(&master, 1, 0) > 0 && (master.revents & POLLHUP) != 0;
}

void SimRunner::produceDue(Clock::time_point now)
{
    if (!m_out.empty())
        return;
    if (now - m_nextDue > kMaxLag)
        m_nextDue = now;
    const std::uint64_t limit = m_options.count != 0 ? m_options.count : UINT64_MAX;
    std::string batch;
    for (std::size_t i = 0; i < kBatchReadings && m_readings < limit; ++i) {
        if (m_readings >= m_options.burst) {
            if (now < m_nextDue)
                break;
            m_nextDue += m_interval;
        }
        batch += readingText(m_drive.advance());
        ++m_readings;
    }
    m_out.push(batch);
}

void SimRunner::discardUnread()
{
    // What the last terminal left unread would reach the next one stale, maybe mid-reading.
    // It sits in the device's input queue, which only a flush from the device side clears.
    m_out.clear();
    const int device = ::open(m_devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (device >= 0) {
        ::tcflush(device, TCIFLUSH);
        ::close(device);
    }
}

void SimRunner::readCommands()
{
    std::array<unsigned char, 256> buffer{};
    for (;;) {
        // Stops on EAGAIN, and on EIO once the terminal has gone.
        const auto got = ::read(m_master, buffer.data(), buffer.size());
        if (got <= 0)
            return;
        for (const Direction direction :
             m_scanner.feed(std::span(buffer.data(), static_cast<std::size_t>(got)))) {
            m_drive.startMove(direction);
            ++m_moves;
        }
    }
}

void SimRunner::waitForTerminalToRead() const
{
    // Closing the master discards what the terminal has not read yet, so watch its queue
    // through our own descriptor until it stays empty. Written characters reach that queue
    // through a kernel worker, which a busy machine may hold back for tens of milliseconds.
    if (terminalAbsent())
        return;
    const int device = ::open(m_devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (device < 0)
        return;
    const auto deadline = Clock::now() + kDrainLimit;
    int quietChecks = 0;
    while (!stopRequested() && quietChecks < 20 && Clock::now() < deadline) {
        int pending = 0;
        const bool quiet = ::ioctl(device, FIONREAD, &pending) != 0 || pending == 0;
        quietChecks = quiet ? quietChecks + 1 : 0;
        waitForWake(10ms);
    }
    ::close(device);
}

int SimRunner::run()
{
    g_wakeUp = stopSignalPipe({SIGINT, SIGTERM, SIGHUP});
    if (g_wakeUp < 0) {
        sayFailure("cannot install signal handlers");
        return 1;
    }
    if (!openDevice() || (!m_options.link.empty() && !createLink()))
        return 1;
    std::printf("%s\n", m_devicePath.c_str());
    std::fflush(stdout);

    const auto writer = [this](const unsigned char* data, std::size_t size) -> std::ptrdiff_t {
        const auto written = ::write(m_master, data, size);
        if (written >= 0)
            return written;
        const bool later =
            errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == EIO;
        return later ? 0 : -1;
    };
    int status = 0;
    m_absentSince = Clock::now();
    while (!stopRequested()) {
        const auto now = Clock::now();
        if (terminalAbsent()) {
            if (!m_absentSince) {
                m_absentSince = now;
                discardUnread();
                say("terminal closed the device; pausing");
            }
            auto wait = std::chrono::milliseconds(kReconnectCheck);
            if (m_options.exitWhenIdle) {
                const auto idle = std::chrono::duration<double>(*m_options.exitWhenIdle);
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(idle - (now - *m_absentSince));
                if (left.count() <= 0) {
                    std::fprintf(stderr, "dravix-sim: no terminal for %g s\n",
                                 *m_options.exitWhenIdle);
                    break;
                }
                wait = std::min(wait, left);
            }
            waitForWake(wait);
            continue;
        }
        if (m_absentSince) {
            m_absentSince.reset();
            m_nextDue = now;
            say("terminal opened the device");
        }

        produceDue(now);
        if (m_options.count != 0 && m_readings >= m_options.count && m_out.empty()) {
            waitForTerminalToRead();
            break;
        }
        int timeout = -1;
        if (m_out.empty()) {
            const auto due = std::chrono::ceil<std::chrono::milliseconds>(m_nextDue - now);
            timeout = static_cast<int>(std::clamp<std::int64_t>(due.count(), 0, INT_MAX));
        }
        std::array<pollfd, 2> fds{
            {{g_wakeUp, POLLIN, 0},
             {m_master, static_cast<short>(m_out.empty() ? POLLIN : POLLIN | POLLOUT), 0}}};
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            sayFailure("poll");
            status = 1;
            break;
        }
        if ((fds[1].revents & POLLIN) != 0)
            readCommands();
        if ((fds[1].revents & POLLOUT) != 0 && !m_out.flush(writer)) {
            sayFailure("cannot write to " + m_devicePath);
            status = 1;
            break;
        }
    }
    removeLink();
    say(std::to_string(m_readings) + " readings, " + std::to_string(m_moves) + " moves, " +
        std::to_string(m_scanner.ignoredBytes() + m_scanner.pendingBytes()) + " bytes ignored");
    return status;
}

} // namespace dravix::sim
