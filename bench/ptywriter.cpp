#include "ptywriter.h"

#include "conversion.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <stdexcept>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace dravix::bench {
namespace {

struct Command
{
    PtyWriter::Mode mode;
    std::uint32_t first;
    std::int32_t count;
    std::int32_t charsPerSecond;
    std::int32_t charsPerWrite;
};

constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
// Long enough for any reading to be handled; only a lost reading ever waits this out.
constexpr int kReleaseTimeoutMs = 1000;

[[nodiscard]] std::int64_t monotonicNanos()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * kNanosPerSecond + now.tv_nsec;
}

void sleepUntil(std::int64_t nanos)
{
    const timespec at{static_cast<time_t>(nanos / kNanosPerSecond),
                      static_cast<long>(nanos % kNanosPerSecond)};
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

void writeAll(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            std::_Exit(3);
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
}

[[nodiscard]] bool readAll(int fd, void* data, std::size_t size)
{
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Characters at the line's pace, by default each on its own write at its own moment, as a
// UART hands them over; an adapter that batches them is charsPerWrite > 1.
void writeLineRate(int master, const Command& command)
{
    std::string all;
    for (std::int32_t i = 0; i < command.count; ++i)
        all +=
            readingText(static_cast<std::int32_t>(command.first + static_cast<std::uint32_t>(i)));
    const std::int64_t start = monotonicNanos();
    for (std::size_t done = 0; done < all.size();) {
        const std::size_t size = std::min<std::size_t>(command.charsPerWrite, all.size() - done);
        // A batch goes when its last character would have arrived.
        const auto last = static_cast<std::int64_t>(done + size - 1);
        sleepUntil(start + last * kNanosPerSecond / command.charsPerSecond);
        writeAll(master, all.data() + done, size);
        done += size;
    }
}

// Seven characters, a pause, then the eighth; the next reading waits for the release
// plus an uneven gap, so readings land at every phase of the window's paint timer.
std::vector<std::int64_t> writeOneAtATime(int master, int releaseFd, const Command& command)
{
    std::vector<std::int64_t> written;
    std::uint32_t gapSeed = 12345;
    for (std::int32_t i = 0; i < command.count; ++i) {
        const std::uint32_t seq = command.first + static_cast<std::uint32_t>(i);
        const std::string text = readingText(static_cast<std::int32_t>(seq));
        writeAll(master, text.data(), 7);
        sleepUntil(monotonicNanos() + 1'000'000);
        written.push_back(monotonicNanos());
        writeAll(master, text.data() + 7, 1);

        pollfd release{releaseFd, POLLIN, 0};
        std::uint32_t released = seq - 1;
        while (released != seq && ::poll(&release, 1, kReleaseTimeoutMs) > 0) {
            if (!readAll(releaseFd, &released, sizeof released))
                std::_Exit(0);
        }
        gapSeed = gapSeed * 1103515245u + 12345u;
        sleepUntil(monotonicNanos() + 1'000'000 + (gapSeed >> 8) % 20'000'000);
    }
    return written;
}

// Everything in large blocking writes: the pseudo-terminal takes what it can, and the
// writer sleeps in the kernel until the terminal has drained it.
void writeFlood(int master, const Command& command)
{
    std::string all;
    all.reserve(static_cast<std::size_t>(command.count) * 8);
    for (std::int32_t i = 0; i < command.count; ++i)
        all +=
            readingText(static_cast<std::int32_t>(command.first + static_cast<std::uint32_t>(i)));
    writeAll(master, all.data(), all.size());
}

[[noreturn]] void runChild(int master, int commandFd, int replyFd, int releaseFd)
{
    Command command{};
    while (readAll(commandFd, &command, sizeof command)) {
        std::vector<std::int64_t> reply;
        switch (command.mode) {
        case PtyWriter::Mode::LineRate:
            writeLineRate(master, command);
            break;
        case PtyWriter::Mode::OneAtATime:
            reply = writeOneAtATime(master, releaseFd, command);
            break;
        case PtyWriter::Mode::Flood:
            writeFlood(master, command);
            break;
        }
        const auto size = static_cast<std::int32_t>(reply.size());
        writeAll(replyFd, &size, sizeof size);
        writeAll(replyFd, reply.data(), reply.size() * sizeof(std::int64_t));
    }
    std::_Exit(0);
}

} // namespace

PtyWriter::PtyWriter()
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (::openpty(&master, &slave, name, &raw, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    m_slavePath = name;

    int command[2];
    int reply[2];
    int release[2];
    if (::pipe(command) != 0 || ::pipe(reply) != 0 || ::pipe(release) != 0)
        throw std::runtime_error("pipe failed");

    m_child = ::fork();
    if (m_child < 0)
        throw std::runtime_error("fork failed");
    if (m_child == 0) {
        ::close(command[1]);
        ::close(reply[0]);
        ::close(release[1]);
        // The child keeps the slave open too, so the line never hangs up between phases.
        runChild(master, command[0], reply[1], release[0]);
    }
    ::close(master);
    ::close(slave);
    ::close(command[0]);
    ::close(reply[1]);
    ::close(release[0]);
    m_commandFd = command[1];
    m_replyFd = reply[0];
    m_releaseFd = release[1];
}

PtyWriter::~PtyWriter()
{
    // End of commands: the child leaves its loop and exits.
    ::close(m_commandFd);
    ::close(m_replyFd);
    ::close(m_releaseFd);
    ::waitpid(m_child, nullptr, 0);
}

void PtyWriter::start(Mode mode, std::uint32_t first, int count, int charsPerSecond,
                      int charsPerWrite)
{
    const Command command{mode, first, count, charsPerSecond, charsPerWrite};
    writeAll(m_commandFd, &command, sizeof command);
}

std::vector<std::int64_t> PtyWriter::waitDone()
{
    std::int32_t size = 0;
    if (!readAll(m_replyFd, &size, sizeof size))
        throw std::runtime_error("writer process ended");
    std::vector<std::int64_t> reply(static_cast<std::size_t>(size));
    if (!readAll(m_replyFd, reply.data(), reply.size() * sizeof(std::int64_t)))
        throw std::runtime_error("writer process ended");
    return reply;
}

void PtyWriter::release(std::uint32_t seq)
{
    writeAll(m_releaseFd, &seq, sizeof seq);
}

} // namespace dravix::bench
