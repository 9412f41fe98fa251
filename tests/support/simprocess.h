#pragma once

// The simulated drive as a child process, and the terminal's end of its device: plain POSIX,
// so the simulator is tested exactly as the run command starts it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace dravix::test {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

inline constexpr auto kTimeout = std::chrono::seconds(10);

[[nodiscard]] inline int msLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<std::int64_t>(left.count(), 0));
}

// Reads what is there within the time left; false once the other side has closed.
inline bool readSome(int fd, std::string& into, Clock::time_point deadline, std::size_t limit)
{
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, msLeft(deadline)) <= 0)
        return true;
    std::string buffer(std::max<std::size_t>(limit, 1), '\0');
    const auto got = ::read(fd, buffer.data(), buffer.size());
    if (got > 0)
        into.append(buffer.data(), static_cast<std::size_t>(got));
    return got > 0 || (got < 0 && (errno == EAGAIN || errno == EINTR));
}

// The simulator as a child process, its standard output and error on pipes.
class SimProcess final
{
public:
    SimProcess(const std::string& program, const std::vector<std::string>& options)
    {
        int out[2];
        int err[2];
        if (::pipe(out) != 0 || ::pipe(err) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        for (const int fd : {out[0], out[1], err[0], err[1]})
            posix_spawn_file_actions_addclose(&actions, fd);
        std::vector<std::string> args{program};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }

    ~SimProcess()
    {
        if (m_pid > 0 && !m_status) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        for (const int fd : {m_out, m_err})
            if (fd >= 0)
                ::close(fd);
    }

    [[nodiscard]] bool started() const { return m_pid > 0; }

    [[nodiscard]] std::string firstLine()
    {
        const auto deadline = Clock::now() + kTimeout;
        while (m_stdout.find('\n') == std::string::npos && Clock::now() < deadline)
            if (!readSome(m_out, m_stdout, deadline, 1))
                break;
        return m_stdout.substr(0, m_stdout.find('\n'));
    }

    // Waits until standard error has said the text (counting from `from` occurrences on).
    [[nodiscard]] bool saidOnStderr(std::string_view text, std::size_t occurrence = 1)
    {
        return said(m_err, m_stderr, text, occurrence);
    }
    [[nodiscard]] bool saidOnStdout(std::string_view text, std::size_t occurrence = 1)
    {
        return said(m_out, m_stdout, text, occurrence);
    }

    // Exit status, or -signal; empty if still running at the deadline.
    [[nodiscard]] std::optional<int> waitExit(std::chrono::milliseconds limit = kTimeout)
    {
        const auto deadline = Clock::now() + limit;
        while (!m_status) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid)
                m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
            else if (Clock::now() >= deadline)
                break;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const auto end = Clock::now() + std::chrono::seconds(1);
        while (m_status && readSome(m_out, m_stdout, end, 4096))
            ;
        while (m_status && readSome(m_err, m_stderr, end, 4096))
            ;
        return m_status;
    }

    void signal(int number) const { ::kill(m_pid, number); }
    [[nodiscard]] const std::string& stdoutText() const { return m_stdout; }
    [[nodiscard]] const std::string& stderrText() const { return m_stderr; }

private:
    [[nodiscard]] static bool said(int fd, std::string& text, std::string_view wanted,
                                   std::size_t occurrence)
    {
        const auto deadline = Clock::now() + kTimeout;
        for (;;) {
            std::size_t found = 0;
            for (auto at = text.find(wanted); at != std::string::npos;
                 at = text.find(wanted, at + 1))
                ++found;
            if (found >= occurrence)
                return true;
            if (Clock::now() >= deadline || !readSome(fd, text, deadline, 4096))
                return false;
        }
    }

    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_stdout;
    std::string m_stderr;
    std::optional<int> m_status;
};

// The terminal's end of the simulator's device, opened raw.
class DeviceEnd final
{
public:
    explicit DeviceEnd(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios settings{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &settings) == 0) {
            ::cfmakeraw(&settings);
            ::tcsetattr(m_fd, TCSANOW, &settings);
        }
    }
    ~DeviceEnd() { close(); }
    DeviceEnd(const DeviceEnd&) = delete;
    DeviceEnd& operator=(const DeviceEnd&) = delete;

    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }

    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    void send(std::string_view bytes) const
    {
        ASSERT_EQ(::write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Up to count bytes: fewer only if the time runs out or the simulator has gone.
    [[nodiscard]] std::string receive(std::size_t count,
                                      std::chrono::milliseconds limit = kTimeout) const
    {
        std::string bytes;
        const auto deadline = Clock::now() + limit;
        while (bytes.size() < count && Clock::now() < deadline)
            if (!readSome(m_fd, bytes, deadline, count - bytes.size()))
                break;
        return bytes;
    }

    [[nodiscard]] std::vector<std::string> readings(std::size_t count) const
    {
        const std::string bytes = receive(count * 8);
        std::vector<std::string> result;
        for (std::size_t at = 0; at + 8 <= bytes.size(); at += 8)
            result.push_back(bytes.substr(at, 8));
        return result;
    }

private:
    int m_fd;
};

[[nodiscard]] inline bool isReading(std::string_view text)
{
    return text.size() == 8 && std::all_of(text.begin(), text.end(), [](char ch) {
               return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F');
           });
}

[[nodiscard]] inline std::int64_t valueOf(const std::string& reading)
{
    return static_cast<std::int32_t>(std::stoul(reading, nullptr, 16));
}

// A fresh directory for links, removed afterwards.
class TempDir final
{
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "dravix-sim-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    [[nodiscard]] const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

} // namespace dravix::test
