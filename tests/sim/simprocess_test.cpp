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

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr auto kTimeout = 10s;

[[nodiscard]] int msLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<std::int64_t>(left.count(), 0));
}

// Reads what is there within the time left; false once the other side has closed.
bool readSome(int fd, std::string& into, Clock::time_point deadline, std::size_t limit)
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
    explicit SimProcess(const std::vector<std::string>& options)
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
        std::vector<std::string> args{DRAVIX_SIM_PATH};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, DRAVIX_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0)
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
        const auto deadline = Clock::now() + kTimeout;
        for (;;) {
            std::size_t found = 0;
            for (auto at = m_stderr.find(text); at != std::string::npos;
                 at = m_stderr.find(text, at + 1))
                ++found;
            if (found >= occurrence)
                return true;
            if (Clock::now() >= deadline || !readSome(m_err, m_stderr, deadline, 4096))
                return false;
        }
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
                std::this_thread::sleep_for(5ms);
        }
        const auto end = Clock::now() + 1s;
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
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_stdout;
    std::string m_stderr;
    std::optional<int> m_status;
};

// The terminal's end of the simulator's device, opened raw.
class Terminal final
{
public:
    explicit Terminal(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios settings{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &settings) == 0) {
            ::cfmakeraw(&settings);
            ::tcsetattr(m_fd, TCSANOW, &settings);
        }
    }
    ~Terminal() { close(); }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

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

[[nodiscard]] bool isReading(std::string_view text)
{
    return text.size() == 8 && std::all_of(text.begin(), text.end(), [](char ch) {
               return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F');
           });
}

[[nodiscard]] std::int64_t valueOf(const std::string& reading)
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

} // namespace

TEST(SimProcessTest, FirstLineIsTheDevicePath)
{
    SimProcess sim({});
    ASSERT_TRUE(sim.started());
    const std::string path = sim.firstLine();
    ASSERT_FALSE(path.empty());
    struct stat info
    {
    };
    ASSERT_EQ(::stat(path.c_str(), &info), 0) << path;
    EXPECT_TRUE(S_ISCHR(info.st_mode)) << path;
    sim.signal(SIGTERM);
    EXPECT_EQ(sim.waitExit(), 0);
}

struct StreamCase
{
    const char* name;
    std::string start;
    std::string_view reading;
};

// Keeps test names short in listings.
void PrintTo(const StreamCase& c, std::ostream* os)
{
    *os << c.name;
}

class StreamTest : public testing::TestWithParam<StreamCase>
{
};

TEST_P(StreamTest, ReadingsAreWholeUppercaseHex)
{
    SimProcess sim({"--rate", "200", "--start", GetParam().start});
    Terminal terminal(sim.firstLine());
    ASSERT_TRUE(terminal.isOpen());
    const auto readings = terminal.readings(20);
    ASSERT_EQ(readings.size(), 20u);
    for (const auto& reading : readings) {
        EXPECT_TRUE(isReading(reading)) << reading;
        EXPECT_EQ(reading, GetParam().reading);
    }
    sim.signal(SIGINT);
    EXPECT_EQ(sim.waitExit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Starts, StreamTest,
                         testing::Values(StreamCase{"Zero", "0", "00000000"},
                                         StreamCase{"Negative", "-100", "FFFFFF9C"},
                                         StreamCase{"Positive", "123456", "0001E240"},
                                         StreamCase{"Lowest", "-2147483648", "80000000"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct MoveCase
{
    const char* name;
    std::vector<std::string_view> sends; // written one after another
    int direction;                       // +1, -1, or 0 for no move
    int moves;
    int ignored;
};

// Keeps test names short in listings.
void PrintTo(const MoveCase& c, std::ostream* os)
{
    *os << c.name;
}

class MoveTest : public testing::TestWithParam<MoveCase>
{
};

TEST_P(MoveTest, PositionFollowsCommandPairs)
{
    constexpr std::int64_t kStart = 5000;
    constexpr std::int64_t kStep = 25;
    constexpr std::int64_t kDistance = 1000;
    const MoveCase& c = GetParam();
    SimProcess sim({"--rate", "200", "--start", "5000", "--step", "25", "--distance", "1000"});
    Terminal terminal(sim.firstLine());
    ASSERT_TRUE(terminal.isOpen());
    ASSERT_EQ(terminal.readings(1), std::vector<std::string>{"00001388"});
    for (const auto bytes : c.sends)
        terminal.send(bytes);

    const std::int64_t target = kStart + c.direction * kDistance;
    std::int64_t previous = kStart;
    int afterTarget = 0;
    for (int i = 0; i < 1000 && afterTarget < 60; ++i) {
        const auto readings = terminal.readings(1);
        ASSERT_EQ(readings.size(), 1u) << "stream stopped";
        ASSERT_TRUE(isReading(readings[0])) << readings[0];
        const std::int64_t position = valueOf(readings[0]);
        ASSERT_GE((position - previous) * c.direction, 0) << "went the wrong way";
        ASSERT_LE(std::abs(position - previous), kStep);
        previous = position;
        afterTarget += position == target ? 1 : 0;
    }
    EXPECT_EQ(previous, target) << "stays at the end of the move";
    EXPECT_EQ(afterTarget, 60);

    sim.signal(SIGTERM);
    ASSERT_EQ(sim.waitExit(), 0);
    EXPECT_NE(sim.stderrText().find(std::to_string(c.moves) + " moves, " +
                                    std::to_string(c.ignored) + " bytes ignored"),
              std::string::npos)
        << sim.stderrText();
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MoveTest,
    testing::Values(MoveCase{"Positive", {"UC030002US030002"}, +1, 1, 0},
                    MoveCase{"Negative", {"UC030003US030003"}, -1, 1, 0},
                    MoveCase{"SplitWithJunk", {"zz", "UC0300", "02US03", "0002\r\n"}, +1, 1, 4},
                    MoveCase{"LoneFirstHalf", {"UC030002", "XX"}, 0, 0, 10},
                    MoveCase{"MixedHalves", {"UC030003US030002"}, 0, 0, 16},
                    MoveCase{"ByteByByte",
                             {"U", "C", "0", "3", "0", "0", "0", "3", "U", "S", "0", "3", "0", "0",
                              "0", "3"},
                             -1,
                             1,
                             0}),
    [](const auto& info) { return std::string(info.param.name); });

struct CountCase
{
    const char* name;
    std::size_t count;
    std::size_t burst;
};

// Keeps test names short in listings.
void PrintTo(const CountCase& c, std::ostream* os)
{
    *os << c.name;
}

class CountTest : public testing::TestWithParam<CountCase>
{
};

TEST_P(CountTest, ExitsAfterExactlyThatManyReadings)
{
    const auto [name, count, burst] = GetParam();
    SimProcess sim({"--rate", "200", "--start", "7", "--count", std::to_string(count), "--burst",
                    std::to_string(burst)});
    Terminal terminal(sim.firstLine());
    ASSERT_TRUE(terminal.isOpen());
    const auto readings = terminal.readings(count);
    ASSERT_EQ(readings.size(), count);
    for (const auto& reading : readings)
        ASSERT_EQ(reading, "00000007");
    EXPECT_EQ(sim.waitExit(), 0);
    EXPECT_EQ(terminal.receive(8, 500ms), "") << "nothing after the last reading";
    EXPECT_NE(sim.stderrText().find(std::to_string(count) + " readings"), std::string::npos)
        << sim.stderrText();
}

INSTANTIATE_TEST_SUITE_P(Counts, CountTest,
                         testing::Values(CountCase{"One", 1, 0}, CountCase{"Streamed", 25, 0},
                                         CountCase{"BurstThenStream", 300, 100},
                                         CountCase{"AllBurst", 4000, 4000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimProcessTest, BurstArrivesCompleteAndInOrder)
{
    // At one reading a second only a burst can deliver all of these before the timeout.
    constexpr std::size_t kBurst = 20000;
    SimProcess sim({"--rate", "1", "--burst", std::to_string(kBurst), "--count",
                    std::to_string(kBurst), "--step", "1", "--distance", "1000000"});
    Terminal terminal(sim.firstLine());
    ASSERT_TRUE(terminal.isOpen());
    terminal.send("UC030002US030002"); // numbers the readings from here on
    const auto readings = terminal.readings(kBurst);
    ASSERT_EQ(readings.size(), kBurst);
    std::int64_t previous = 0;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        ASSERT_TRUE(isReading(readings[i])) << i << ": " << readings[i];
        const std::int64_t position = valueOf(readings[i]);
        ASSERT_TRUE(position == previous || position == previous + 1)
            << "reading " << i << " is " << position << " after " << previous;
        previous = position;
    }
    EXPECT_GT(previous, 0) << "the move was never seen";
    EXPECT_EQ(sim.waitExit(), 0);
}

TEST(SimProcessTest, NextTerminalStartsOnAWholeReading)
{
    SimProcess sim({"--rate", "100", "--start", "305419896"}); // 12345678 in hex
    const std::string path = sim.firstLine();
    {
        Terminal first(path);
        ASSERT_TRUE(first.isOpen());
        ASSERT_EQ(first.receive(19), "1234567812345678123"); // stops mid-reading
    }
    ASSERT_TRUE(sim.saidOnStderr("terminal closed the device")) << sim.stderrText();
    Terminal second(path);
    ASSERT_TRUE(second.isOpen());
    ASSERT_TRUE(sim.saidOnStderr("terminal opened the device", 2)) << sim.stderrText();
    for (const auto& reading : second.readings(5))
        EXPECT_EQ(reading, "12345678");
    sim.signal(SIGTERM);
    EXPECT_EQ(sim.waitExit(), 0);
}

struct LinkCase
{
    const char* name;
    int signal;
    const char* existing; // what is at the link path before: "", "file" or "dangling"
};

// Keeps test names short in listings.
void PrintTo(const LinkCase& c, std::ostream* os)
{
    *os << c.name;
}

class LinkTest : public testing::TestWithParam<LinkCase>
{
};

TEST_P(LinkTest, SignalRemovesTheLink)
{
    const LinkCase& c = GetParam();
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const fs::path link = dir.path() / "drive";
    if (std::string_view(c.existing) == "file")
        std::fclose(std::fopen(link.c_str(), "w"));
    else if (std::string_view(c.existing) == "dangling")
        fs::create_symlink(dir.path() / "nowhere", link);

    SimProcess sim({"--link", link.string()});
    const std::string path = sim.firstLine();
    ASSERT_FALSE(path.empty());
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), path);
    Terminal terminal(link.string());
    EXPECT_TRUE(terminal.isOpen());

    sim.signal(c.signal);
    EXPECT_EQ(sim.waitExit(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_TRUE(fs::is_empty(dir.path())) << "left something behind";
}

INSTANTIATE_TEST_SUITE_P(Links, LinkTest,
                         testing::Values(LinkCase{"Fresh", SIGTERM, ""},
                                         LinkCase{"ReplacesFile", SIGTERM, "file"},
                                         LinkCase{"ReplacesDangling", SIGINT, "dangling"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct IdleCase
{
    const char* name;
    bool visit;    // a terminal opens and closes the device first
    bool stayOpen; // a terminal keeps it open: no exit
};

// Keeps test names short in listings.
void PrintTo(const IdleCase& c, std::ostream* os)
{
    *os << c.name;
}

class IdleTest : public testing::TestWithParam<IdleCase>
{
};

TEST_P(IdleTest, ExitsWhenNoTerminalIsLeft)
{
    const IdleCase& c = GetParam();
    TempDir dir;
    const fs::path link = dir.path() / "drive";
    SimProcess sim({"--exit-when-idle", "0.3", "--rate", "100", "--link", link.string()});
    const std::string path = sim.firstLine();
    ASSERT_FALSE(path.empty());
    std::optional<Terminal> terminal;
    if (c.visit || c.stayOpen) {
        terminal.emplace(path);
        ASSERT_EQ(terminal->readings(3).size(), 3u);
    }
    if (c.stayOpen) {
        EXPECT_FALSE(sim.waitExit(1s).has_value()) << "quit with a terminal attached";
        EXPECT_EQ(terminal->readings(10).size(), 10u);
        sim.signal(SIGTERM);
    }
    terminal.reset();
    EXPECT_EQ(sim.waitExit(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

INSTANTIATE_TEST_SUITE_P(Idle, IdleTest,
                         testing::Values(IdleCase{"NeverOpened", false, false},
                                         IdleCase{"AfterATerminalLeft", true, false},
                                         IdleCase{"NotWhileOpen", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

class BadOptionTest : public testing::TestWithParam<std::vector<std::string>>
{
};

TEST_P(BadOptionTest, ExitsTwoWithAMessage)
{
    SimProcess sim(GetParam());
    EXPECT_EQ(sim.waitExit(), 2);
    EXPECT_EQ(sim.stdoutText(), "") << "no device for bad options";
    EXPECT_NE(sim.stderrText().find(GetParam().front()), std::string::npos) << sim.stderrText();
    EXPECT_NE(sim.stderrText().find("--help"), std::string::npos) << sim.stderrText();
}

INSTANTIATE_TEST_SUITE_P(Options, BadOptionTest,
                         testing::Values(std::vector<std::string>{"--rate", "0"},
                                         std::vector<std::string>{"--bogus"},
                                         std::vector<std::string>{"--count"},
                                         std::vector<std::string>{"--start", "ten"}));

TEST(SimProcessTest, HelpExitsZeroDocumentingOptions)
{
    SimProcess sim({"--help"});
    EXPECT_EQ(sim.waitExit(), 0);
    for (const char* name : {"--rate", "--start", "--step", "--distance", "--burst", "--count",
                             "--link", "--exit-when-idle"})
        EXPECT_NE(sim.stdoutText().find(name), std::string::npos) << name;
}
