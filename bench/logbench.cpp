// log-bench: dravix-log as a child process on a pseudo-terminal, its CPU share at the line
// rate and a flood of readings counted row by row in the file it writes.
//   log-bench [--seconds S] [--flood N] [--chars-per-write N]

#include "conversion.h"
#include "ptywriter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace dravix::bench {
namespace {

constexpr int kLineRateCharsPerSecond = 1745; // 19200 baud, 11 bits per character
constexpr int kReadingChars = 8;
constexpr auto kPoll = std::chrono::milliseconds(20);

[[nodiscard]] std::int64_t monotonicNanos()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

// Nanoseconds the process has run on a CPU, all its threads, from the scheduler's own count.
[[nodiscard]] std::int64_t cpuNanosOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
    std::int64_t nanos = -1;
    in >> nanos;
    if (nanos >= 0)
        return nanos;
    std::fprintf(stderr, "log-bench: no /proc/%d/schedstat\n", pid);
    std::exit(1);
}

[[nodiscard]] std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

[[nodiscard]] std::size_t lineCount(const std::string& path)
{
    const std::string text = readFile(path);
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The rows written for readings first..first+count-1, and how many of them do not carry the
// next sequence number (after a lost reading every row does not).
struct RowCheck
{
    std::size_t rows = 0;
    std::size_t outOfSequence = 0;
};

[[nodiscard]] RowCheck checkRows(const std::string& path, std::uint32_t first)
{
    std::istringstream lines(readFile(path));
    std::string line;
    std::getline(lines, line); // header
    RowCheck check;
    std::uint32_t expected = first;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream row(line);
        for (std::string field; std::getline(row, field, ',');)
            fields.push_back(field);
        if (fields.size() != 5 || fields[2] != readingText(static_cast<std::int32_t>(expected)))
            ++check.outOfSequence;
        ++check.rows;
        ++expected;
    }
    return check;
}

class LogProcess final
{
public:
    explicit LogProcess(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), DRAVIX_LOG_PATH);
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, DRAVIX_LOG_PATH, nullptr, nullptr, argv.data(), environ) != 0) {
            std::perror("log-bench: dravix-log");
            std::exit(1);
        }
    }
    ~LogProcess()
    {
        if (!m_status) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    LogProcess(const LogProcess&) = delete;
    LogProcess& operator=(const LogProcess&) = delete;

    [[nodiscard]] pid_t pid() const { return m_pid; }

    // The exit status, or empty when it still runs after `seconds`.
    [[nodiscard]] std::optional<int> waitExit(double seconds)
    {
        const std::int64_t deadline = monotonicNanos() + static_cast<std::int64_t>(seconds * 1e9);
        while (!m_status && monotonicNanos() < deadline) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid)
                m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            else
                std::this_thread::sleep_for(kPoll);
        }
        return m_status;
    }

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// The header is written once the port is open and emptied: from then on nothing is dropped.
void waitForHeader(const std::string& path)
{
    const std::int64_t deadline = monotonicNanos() + 10'000'000'000LL;
    while (lineCount(path) < 1) {
        if (monotonicNanos() > deadline) {
            std::fprintf(stderr, "log-bench: dravix-log never opened the port\n");
            std::exit(1);
        }
        std::this_thread::sleep_for(kPoll);
    }
}

void report(const char* name, const char* format, double value)
{
    std::printf("%s=", name);
    std::printf(format, value);
    std::printf("\n");
}

int run(int argc, char** argv)
{
    double seconds = 20;
    int flood = 100'000;
    int charsPerWrite = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--flood") == 0)
            flood = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--chars-per-write") == 0)
            charsPerWrite = std::atoi(argv[i + 1]);
    }
    PtyWriter writer; // forks: before anything else
    char dirTemplate[] = "/tmp/dravix-log-bench-XXXXXX";
    if (::mkdtemp(dirTemplate) == nullptr)
        return 1;
    const std::string dir = dirTemplate;
    std::printf("platform=%s chars_per_write=%d\n", writer.slavePath().c_str(), charsPerWrite);

    {
        const std::string file = dir + "/linerate.csv";
        const int count = static_cast<int>(seconds * kLineRateCharsPerSecond / kReadingChars);
        LogProcess log({"--port", writer.slavePath(), "--output", file});
        waitForHeader(file);
        const std::int64_t wallBefore = monotonicNanos();
        const std::int64_t cpuBefore = cpuNanosOf(log.pid());
        writer.start(PtyWriter::Mode::LineRate, 1, count, kLineRateCharsPerSecond, charsPerWrite);
        (void)writer.waitDone();
        // The last reading's row, then the measurement ends.
        const std::int64_t drain = monotonicNanos() + 2'000'000'000LL;
        while (lineCount(file) < static_cast<std::size_t>(count) + 1 && monotonicNanos() < drain)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const double cpu = static_cast<double>(cpuNanosOf(log.pid()) - cpuBefore);
        const double wall = static_cast<double>(monotonicNanos() - wallBefore);
        ::kill(log.pid(), SIGTERM);
        const auto status = log.waitExit(10);
        const RowCheck check = checkRows(file, 1);
        report("log_linerate_readings", "%.0f", count);
        report("log_linerate_seconds", "%.2f", wall / 1e9);
        report("log_linerate_cpu_percent", "%.3f", 100.0 * cpu / wall);
        report("log_linerate_rows", "%.0f", static_cast<double>(check.rows));
        report("log_linerate_missing_rows", "%.0f", count - static_cast<double>(check.rows));
        report("log_linerate_rows_out_of_sequence", "%.0f",
               static_cast<double>(check.outOfSequence));
        report("log_linerate_exit_status", "%.0f", status ? *status : -1);
    }
    {
        const std::string file = dir + "/flood.csv";
        LogProcess log(
            {"--port", writer.slavePath(), "--count", std::to_string(flood), "--output", file});
        waitForHeader(file);
        const std::int64_t start = monotonicNanos();
        writer.start(PtyWriter::Mode::Flood, 1, flood);
        (void)writer.waitDone();
        // --count ends it after the last row; a lost reading leaves it waiting.
        auto status = log.waitExit(60);
        const double wall = static_cast<double>(monotonicNanos() - start);
        if (!status) {
            ::kill(log.pid(), SIGTERM);
            status = log.waitExit(10);
        }
        const RowCheck check = checkRows(file, 1);
        const int count = flood;
        report("log_flood_readings", "%.0f", flood);
        report("log_flood_rows", "%.0f", static_cast<double>(check.rows));
        report("log_flood_missing_rows", "%.0f", count - static_cast<double>(check.rows));
        report("log_flood_rows_out_of_sequence", "%.0f", static_cast<double>(check.outOfSequence));
        report("log_flood_seconds", "%.2f", wall / 1e9);
        report("log_flood_readings_per_s", "%.0f", flood / (wall / 1e9));
        report("log_flood_exit_status", "%.0f", status ? *status : -1);
    }
    std::remove((dir + "/linerate.csv").c_str());
    std::remove((dir + "/flood.csv").c_str());
    ::rmdir(dir.c_str());
    return 0;
}

} // namespace
} // namespace dravix::bench

int main(int argc, char** argv)
{
    return dravix::bench::run(argc, argv);
}
