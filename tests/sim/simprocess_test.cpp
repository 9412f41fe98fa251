#include "simprocess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

namespace dravix::test {
namespace {

using namespace std::chrono_literals;

TEST(SimProcess, firstLineIsTheDevicePath)
{
    SimProcess sim(DRAVIX_SIM_PATH, {});
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

class Stream : public testing::TestWithParam<StreamCase>
{
};

TEST_P(Stream, readingsAreWholeUppercaseHex)
{
    SimProcess sim(DRAVIX_SIM_PATH, {"--rate", "200", "--start", GetParam().start});
    DeviceEnd terminal(sim.firstLine());
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

INSTANTIATE_TEST_SUITE_P(Starts, Stream,
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

class Move : public testing::TestWithParam<MoveCase>
{
};

TEST_P(Move, positionFollowsCommandPairs)
{
    constexpr std::int64_t kStart = 5000;
    constexpr std::int64_t kStep = 25;
    constexpr std::int64_t kDistance = 1000;
    const MoveCase& c = GetParam();
    SimProcess sim(DRAVIX_SIM_PATH,
                   {"--rate", "200", "--start", "5000", "--step", "25", "--distance", "1000"});
    DeviceEnd terminal(sim.firstLine());
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
    Commands, Move,
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

class Count : public testing::TestWithParam<CountCase>
{
};

TEST_P(Count, exitsAfterExactlyThatManyReadings)
{
    const auto [name, count, burst] = GetParam();
    SimProcess sim(DRAVIX_SIM_PATH, {"--rate", "200", "--start", "7", "--count",
                                     std::to_string(count), "--burst", std::to_string(burst)});
    DeviceEnd terminal(sim.firstLine());
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

INSTANTIATE_TEST_SUITE_P(Counts, Count,
                         testing::Values(CountCase{"One", 1, 0}, CountCase{"Streamed", 25, 0},
                                         CountCase{"BurstThenStream", 300, 100},
                                         CountCase{"AllBurst", 4000, 4000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimProcess, burstArrivesCompleteAndInOrder)
{
    // At one reading a second only a burst can deliver all of these before the timeout.
    constexpr std::size_t kBurst = 20000;
    SimProcess sim(DRAVIX_SIM_PATH,
                   {"--rate", "1", "--burst", std::to_string(kBurst), "--count",
                    std::to_string(kBurst), "--step", "1", "--distance", "1000000"});
    DeviceEnd terminal(sim.firstLine());
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

TEST(SimProcess, nextTerminalStartsOnAWholeReading)
{
    SimProcess sim(DRAVIX_SIM_PATH, {"--rate", "100", "--start", "305419896"}); // 12345678 in hex
    const std::string path = sim.firstLine();
    {
        DeviceEnd first(path);
        ASSERT_TRUE(first.isOpen());
        ASSERT_EQ(first.receive(19), "1234567812345678123"); // stops mid-reading
    }
    ASSERT_TRUE(sim.saidOnStderr("terminal closed the device")) << sim.stderrText();
    DeviceEnd second(path);
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

class Link : public testing::TestWithParam<LinkCase>
{
};

TEST_P(Link, signalRemovesTheLink)
{
    const LinkCase& c = GetParam();
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const fs::path link = dir.path() / "drive";
    if (std::string_view(c.existing) == "file")
        std::fclose(std::fopen(link.c_str(), "w"));
    else if (std::string_view(c.existing) == "dangling")
        fs::create_symlink(dir.path() / "nowhere", link);

    SimProcess sim(DRAVIX_SIM_PATH, {"--link", link.string()});
    const std::string path = sim.firstLine();
    ASSERT_FALSE(path.empty());
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), path);
    DeviceEnd terminal(link.string());
    EXPECT_TRUE(terminal.isOpen());

    sim.signal(c.signal);
    EXPECT_EQ(sim.waitExit(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_TRUE(fs::is_empty(dir.path())) << "left something behind";
}

INSTANTIATE_TEST_SUITE_P(Links, Link,
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

class Idle : public testing::TestWithParam<IdleCase>
{
};

TEST_P(Idle, exitsWhenNoTerminalIsLeft)
{
    const IdleCase& c = GetParam();
    TempDir dir;
    const fs::path link = dir.path() / "drive";
    SimProcess sim(DRAVIX_SIM_PATH,
                   {"--exit-when-idle", "0.3", "--rate", "100", "--link", link.string()});
    const std::string path = sim.firstLine();
    ASSERT_FALSE(path.empty());
    std::optional<DeviceEnd> terminal;
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

INSTANTIATE_TEST_SUITE_P(Idle, Idle,
                         testing::Values(IdleCase{"NeverOpened", false, false},
                                         IdleCase{"AfterATerminalLeft", true, false},
                                         IdleCase{"NotWhileOpen", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

class BadOption : public testing::TestWithParam<std::vector<std::string>>
{
};

TEST_P(BadOption, exitsTwoWithAMessage)
{
    SimProcess sim(DRAVIX_SIM_PATH, GetParam());
    EXPECT_EQ(sim.waitExit(), 2);
    EXPECT_EQ(sim.stdoutText(), "") << "no device for bad options";
    EXPECT_NE(sim.stderrText().find(GetParam().front()), std::string::npos) << sim.stderrText();
    EXPECT_NE(sim.stderrText().find("--help"), std::string::npos) << sim.stderrText();
}

INSTANTIATE_TEST_SUITE_P(Options, BadOption,
                         testing::Values(std::vector<std::string>{"--rate", "0"},
                                         std::vector<std::string>{"--bogus"},
                                         std::vector<std::string>{"--count"},
                                         std::vector<std::string>{"--start", "ten"}));

TEST(SimProcess, helpExitsZeroDocumentingOptions)
{
    SimProcess sim(DRAVIX_SIM_PATH, {"--help"});
    EXPECT_EQ(sim.waitExit(), 0);
    for (const char* name : {"--rate", "--start", "--step", "--distance", "--burst", "--count",
                             "--link", "--exit-when-idle"})
        EXPECT_NE(sim.stdoutText().find(name), std::string::npos) << name;
}

} // namespace
} // namespace dravix::test
