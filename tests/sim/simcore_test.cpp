#include "simcore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace dravix::test {
namespace {

using namespace dravix::sim;
using namespace std::literals;

std::span<const unsigned char> bytesOf(std::string_view text)
{
    return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

struct ScanResult
{
    std::vector<Direction> moves;
    std::uint64_t ignored = 0;
    std::size_t pending = 0;

    bool operator==(const ScanResult&) const = default;
};

// Feeds the stream in pieces cut at the given offsets.
ScanResult scanInPieces(std::string_view stream, const std::vector<std::size_t>& cuts)
{
    CommandScanner scanner;
    ScanResult result;
    std::size_t from = 0;
    auto ends = cuts;
    ends.push_back(stream.size());
    for (const std::size_t to : ends) {
        for (const Direction move : scanner.feed(bytesOf(stream.substr(from, to - from))))
            result.moves.push_back(move);
        from = to;
    }
    result.ignored = scanner.ignoredBytes();
    result.pending = scanner.pendingBytes();
    return result;
}

TEST(CommandScanner, findsPairsCutAtEveryBoundary)
{
    const auto P = Direction::Positive;
    const auto N = Direction::Negative;
    const struct
    {
        std::string_view stream;
        ScanResult expected;
    } cases[] = {
        {"UC030002US030002", {{P}, 0, 0}},
        {"UC030003US030003", {{N}, 0, 0}},
        {"xxUC030002US030002yy", {{P}, 4, 0}},
        {"UC030003US030003UC030002US030002", {{N, P}, 0, 0}},
        {"UUC030002US030002", {{P}, 1, 0}},
        {"UC03UC030003US030003", {{N}, 4, 0}},
        {"UC030002UC030002US030002", {{P}, 8, 0}},
        {"UC030002", {{}, 0, 8}},          // lone first half: still waiting
        {"UC030002xxxxxxxx", {{}, 16, 0}}, // lone first half, then junk
        {"UC030002US030003", {{}, 16, 0}}, // halves of different pairs
        {"UC030003US030002", {{}, 16, 0}},
        {"US030002", {{}, 8, 0}},            // second half alone
        {"UC030002\nUS030002", {{}, 17, 0}}, // nothing may sit between halves
        {"uc030002us030002", {{}, 16, 0}},
        {"UC030002US030002UC030002", {{P}, 0, 8}},
        {"UC03\0\xff"
         "0002US030002UC030003US030003"sv,
         {{N}, 18, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.stream));
        EXPECT_EQ(scanInPieces(c.stream, {}), c.expected);
        std::vector<std::size_t> everyByte;
        for (std::size_t i = 1; i < c.stream.size(); ++i) {
            everyByte.push_back(i);
            EXPECT_EQ(scanInPieces(c.stream, {i}), c.expected) << "cut at " << i;
            for (std::size_t j = i; j <= c.stream.size(); ++j)
                EXPECT_EQ(scanInPieces(c.stream, {i, j}), c.expected) << "cuts " << i << "," << j;
        }
        EXPECT_EQ(scanInPieces(c.stream, everyByte), c.expected) << "byte by byte";
    }
}

TEST(DriveModel, stepsReachExactlyTheDistance)
{
    const struct
    {
        std::int32_t start;
        std::int32_t step;
        std::int32_t distance;
        int steps; // readings until the move is done
    } cases[] = {{0, 25, 1000, 40},  {5000, 30, 1000, 34}, {-100, 1000, 1000, 1},
                 {0, 1500, 1000, 1}, {7, 1, 5, 5},         {0, 3, 10, 4}};
    for (const auto& c : cases) {
        for (const Direction direction : {Direction::Positive, Direction::Negative}) {
            SCOPED_TRACE(testing::Message()
                         << c.start << " step " << c.step << " distance " << c.distance
                         << " positive " << (direction == Direction::Positive));
            const std::int64_t sign = direction == Direction::Positive ? 1 : -1;
            DriveModel drive(c.start, c.step, c.distance);
            EXPECT_EQ(drive.advance(), c.start) << "no move, no change";
            drive.startMove(direction);
            std::int64_t previous = c.start;
            int steps = 0;
            while (drive.moving() && steps < 10000) {
                const std::int64_t now = drive.advance();
                ++steps;
                EXPECT_GT((now - previous) * sign, 0);
                EXPECT_LE((now - previous) * sign, c.step);
                previous = now;
            }
            EXPECT_EQ(steps, c.steps);
            EXPECT_EQ(drive.position(), c.start + sign * c.distance);
            EXPECT_EQ(drive.advance(), c.start + sign * c.distance) << "stays once done";
        }
    }
}

TEST(DriveModel, newMoveReplacesTheOneInProgress)
{
    DriveModel drive(0, 25, 1000);
    drive.startMove(Direction::Positive);
    drive.advance();
    drive.advance();
    drive.startMove(Direction::Negative);
    while (drive.moving())
        drive.advance();
    EXPECT_EQ(drive.position(), 50 - 1000);
}

TEST(DriveModel, wrapsLikeA32BitCounter)
{
    DriveModel drive(std::numeric_limits<std::int32_t>::max(), 1, 2);
    drive.startMove(Direction::Positive);
    drive.advance();
    EXPECT_EQ(dravix::readingText(drive.advance()), "80000001");
}

TEST(OutputQueue, partialWritesNeitherCutNorRepeat)
{
    std::mt19937 random(7);
    std::string expected;
    std::string written;
    OutputQueue queue;
    // Takes 0 to 11 bytes at a time, like a pseudo-terminal that fills and drains.
    const OutputQueue::Writer writer = [&](const unsigned char* data, std::size_t size) {
        const auto taken = std::min<std::size_t>(random() % 12, size);
        written.append(reinterpret_cast<const char*>(data), taken);
        return static_cast<std::ptrdiff_t>(taken);
    };
    for (std::int32_t value = -500; value < 500; ++value) {
        const auto reading = dravix::readingText(value * 977);
        expected += reading;
        queue.push(reading);
        if (value % 3 == 0) {
            ASSERT_TRUE(queue.flush(writer));
        }
    }
    for (int round = 0; round < 100000 && !queue.empty(); ++round)
        ASSERT_TRUE(queue.flush(writer));
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(written, expected);
}

TEST(OutputQueue, hardErrorKeepsItsPlace)
{
    OutputQueue queue;
    queue.push("0001E240FFFFFF9C");
    std::string written;
    int calls = 0;
    const OutputQueue::Writer flaky = [&](const unsigned char* data, std::size_t size) {
        if (++calls == 2)
            return std::ptrdiff_t{-1};
        const auto taken = std::min<std::size_t>(5, size);
        written.append(reinterpret_cast<const char*>(data), taken);
        return static_cast<std::ptrdiff_t>(taken);
    };
    EXPECT_FALSE(queue.flush(flaky));
    EXPECT_EQ(queue.size(), 11u);
    EXPECT_TRUE(queue.flush(flaky));
    EXPECT_EQ(written, "0001E240FFFFFF9C");
    queue.push("00000000");
    queue.clear();
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(queue.size(), 0u);
}

ParseResult parse(std::vector<std::string_view> args)
{
    QStringList list;
    for (const std::string_view arg : args)
        list.append(QString::fromUtf8(arg.data(), static_cast<qsizetype>(arg.size())));
    return parseOptions(list);
}

TEST(Options, defaultsAreSensible)
{
    const auto result = parse({});
    ASSERT_TRUE(result.options.has_value()) << result.error;
    const Options& o = *result.options;
    EXPECT_EQ(o.rate, 10);
    EXPECT_EQ(o.start, 0);
    EXPECT_EQ(o.step, 25);
    EXPECT_EQ(o.distance, 1000);
    EXPECT_EQ(o.burst, 0u);
    EXPECT_EQ(o.count, 0u);
    EXPECT_TRUE(o.link.empty());
    EXPECT_FALSE(o.exitWhenIdle.has_value());
    EXPECT_FALSE(o.help);
}

TEST(Options, acceptsEveryOption)
{
    const auto result =
        parse({"--rate", "250", "--start=-100", "--step", "7", "--distance=90", "--burst", "0",
               "--burst=12", "--count", "3", "--link", "/tmp/drive", "--exit-when-idle=0.5", "-h"});
    ASSERT_TRUE(result.options.has_value()) << result.error;
    const Options& o = *result.options;
    EXPECT_EQ(o.rate, 250);
    EXPECT_EQ(o.start, -100);
    EXPECT_EQ(o.step, 7);
    EXPECT_EQ(o.distance, 90);
    EXPECT_EQ(o.burst, 12u) << "the last one wins";
    EXPECT_EQ(o.count, 3u);
    EXPECT_EQ(o.link, "/tmp/drive");
    EXPECT_EQ(o.exitWhenIdle, 0.5);
    EXPECT_TRUE(o.help);
    EXPECT_EQ(parse({"--start", "-2147483648"}).options->start,
              std::numeric_limits<std::int32_t>::min());
}

TEST(Options, rejectsBadOptionsNamingThem)
{
    const struct
    {
        std::vector<std::string_view> args;
        std::string_view named;
    } cases[] = {
        {{"--rate", "0"}, "--rate"},
        {{"--rate", "abc"}, "--rate"},
        {{"--rate", "100001"}, "--rate"},
        {{"--rate", "5x"}, "--rate"},
        {{"--rate"}, "--rate"},
        {{"--start", "2147483648"}, "--start"},
        {{"--start", "-2147483649"}, "--start"},
        {{"--start", "1.5"}, "--start"},
        {{"--step", "0"}, "--step"},
        {{"--distance", "-5"}, "--distance"},
        {{"--burst", "-1"}, "--burst"},
        {{"--count", "0"}, "--count"},
        {{"--link", ""}, "--link"},
        {{"--link="}, "--link"},
        {{"--exit-when-idle", "-1"}, "--exit-when-idle"},
        {{"--exit-when-idle", "nan"}, "--exit-when-idle"},
        {{"--bogus"}, "--bogus"},
        {{"stray"}, "stray"},
        {{"--rate5"}, "--rate5"},
        {{"--count", "3", "-x"}, "-x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.named);
        const auto result = parse(c.args);
        EXPECT_FALSE(result.options.has_value());
        EXPECT_NE(result.error.find(c.named), std::string::npos) << result.error;
    }
}

TEST(Options, helpDocumentsEveryOption)
{
    const std::string help = helpText();
    for (const std::string_view name : {"--rate", "--start", "--step", "--distance", "--burst",
                                        "--count", "--link", "--exit-when-idle", "--help"}) {
        EXPECT_NE(help.find(name), std::string::npos) << name;
        if (name != "--help") {
            EXPECT_FALSE(parse({name}).options.has_value()) << name << " takes a value";
        }
    }
}

} // namespace
} // namespace dravix::test
