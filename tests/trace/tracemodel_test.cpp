#include "roundticks.h"
#include "tracemodel.h"
#include "traceview.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace dravix::test {
namespace {

constexpr qint64 kMs = 1'000'000;
constexpr qint64 kSecond = 1000 * kMs;

[[nodiscard]] QByteArray hexOf(std::int32_t value)
{
    return QByteArray::number(static_cast<quint32>(value), 16).rightJustified(8, '0').toUpper();
}

// Readings of value i at i milliseconds after the trace began at 0.
void fill(TraceModel& model, int count)
{
    model.startTrace(0, QDateTime::currentDateTime(), QStringLiteral("Comm Port 1"));
    for (int i = 0; i < count; ++i)
        model.addReading(i * kMs, "   " + hexOf(i));
}

struct RingCase
{
    const char* name;
    qsizetype capacity;
    int added;
    qsizetype size;
    qint64 dropped;
};

void PrintTo(const RingCase& c, std::ostream* os)
{
    *os << c.name;
}

class Ring : public testing::TestWithParam<RingCase>
{
};

TEST_P(Ring, keepsTheNewestInOrder)
{
    const RingCase& c = GetParam();
    TraceModel model(c.capacity);
    fill(model, c.added);
    ASSERT_EQ(model.size(), c.size);
    EXPECT_EQ(model.dropped(), c.dropped);
    for (qsizetype i = 0; i < model.size(); ++i) {
        const TraceReading r = model.reading(i);
        const auto expected = static_cast<std::int32_t>(c.dropped + i);
        ASSERT_EQ(r.value, expected) << "index " << i;
        ASSERT_EQ(r.nanos, expected * kMs) << "index " << i;
        ASSERT_EQ(QByteArray(r.chars.data(), 8), hexOf(expected)) << "index " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Readings, Ring,
                         testing::Values(RingCase{"Empty", 10, 0, 0, 0},
                                         RingCase{"BelowCapacity", 10, 7, 7, 0},
                                         RingCase{"Full", 10, 10, 10, 0},
                                         RingCase{"OnePast", 10, 11, 10, 1},
                                         RingCase{"WrappedTwice", 10, 25, 10, 15},
                                         RingCase{"LargeWrapped", 5000, 12'345, 5000, 7345}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ReduceCase
{
    const char* name;
    qsizetype capacity;
    int count;
    qint64 from;
    qint64 to;
    int columns;
};

void PrintTo(const ReduceCase& c, std::ostream* os)
{
    *os << c.name;
}

class Reduce : public testing::TestWithParam<ReduceCase>
{
};

// Each kept reading put in its column by the definition, one by one.
[[nodiscard]] std::vector<TraceColumn> plainReduction(const TraceModel& model, qint64 from,
                                                      qint64 to, int columns)
{
    std::vector<TraceColumn> result(static_cast<std::size_t>(columns));
    for (qsizetype i = 0; i < model.size(); ++i) {
        const TraceReading r = model.reading(i);
        if (r.nanos < from || r.nanos >= to)
            continue;
        TraceColumn& col =
            result[static_cast<std::size_t>((r.nanos - from) * columns / (to - from))];
        if (col.count == 0) {
            col.min = col.max = col.first = r.value;
        }
        col.min = std::min(col.min, r.value);
        col.max = std::max(col.max, r.value);
        col.last = r.value;
        ++col.count;
    }
    return result;
}

TEST_P(Reduce, matchesThePlainReduction)
{
    const ReduceCase& c = GetParam();
    TraceModel model(c.capacity);
    model.startTrace(0, QDateTime::currentDateTime(), QString());
    // Uneven gaps and values that jump about, negative ones included.
    std::mt19937 random(42);
    std::uniform_int_distribution<qint64> gap(0, 9 * kMs);
    std::uniform_int_distribution<std::int32_t> value(-100'000, 100'000);
    qint64 at = 0;
    for (int i = 0; i < c.count; ++i) {
        at += gap(random);
        model.addReading(at, hexOf(value(random)));
    }
    const auto got = model.reduce(c.from, c.to, c.columns);
    const auto want = plainReduction(model, c.from, c.to, c.columns);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t k = 0; k < got.size(); ++k) {
        ASSERT_EQ(got[k].count, want[k].count) << "column " << k;
        if (want[k].count == 0)
            continue;
        EXPECT_EQ(got[k].min, want[k].min) << "column " << k;
        EXPECT_EQ(got[k].max, want[k].max) << "column " << k;
        EXPECT_EQ(got[k].first, want[k].first) << "column " << k;
        EXPECT_EQ(got[k].last, want[k].last) << "column " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Columns, Reduce,
    testing::Values(
        ReduceCase{"Empty", 100, 0, 0, kSecond, 10},
        ReduceCase{"ManyPerColumn", 100'000, 20'000, 0, 100 * kSecond, 37},
        ReduceCase{"FewerReadingsThanColumns", 1000, 50, 0, kSecond, 1200},
        ReduceCase{"PartOfTheTrace", 100'000, 20'000, 13 * kSecond + 7, 41 * kSecond, 999},
        ReduceCase{"Wrapped", 3000, 20'000, 0, 200 * kSecond, 250},
        ReduceCase{"WrappedRangeStartsInTheDropped", 3000, 20'000, 50 * kSecond, 95 * kSecond, 64},
        ReduceCase{"OneColumn", 10'000, 9000, 0, 90 * kSecond, 1},
        ReduceCase{"BeyondTheNewest", 1000, 800, 3 * kSecond, 10 * kSecond, 100}),
    [](const auto& info) { return std::string(info.param.name); });

struct TimeBaseCase
{
    const char* name;
    qint64 startMonotonic;
    std::vector<qint64> readingsMonotonic;
    std::vector<qint64> elapsed;
    std::vector<qint64> wallMsAfterStart;
};

void PrintTo(const TimeBaseCase& c, std::ostream* os)
{
    *os << c.name;
}

class TimeBase : public testing::TestWithParam<TimeBaseCase>
{
};

TEST_P(TimeBase, elapsedAndWallTimeCountFromTheTraceStart)
{
    const TimeBaseCase& c = GetParam();
    const QDateTime wall(QDate(2026, 12, 10), QTime(11, 38, 45, 100), QTimeZone(3600));
    TraceModel model;
    model.startTrace(c.startMonotonic, wall, QStringLiteral("Comm Port 2"));
    for (const qint64 t : c.readingsMonotonic)
        model.addReading(t, "0001E240");
    ASSERT_EQ(model.size(), qsizetype(c.elapsed.size()));
    for (qsizetype i = 0; i < model.size(); ++i) {
        EXPECT_EQ(model.nanosAt(i), c.elapsed[std::size_t(i)]) << "index " << i;
        EXPECT_EQ(wall.msecsTo(model.wallTimeAt(model.nanosAt(i))),
                  c.wallMsAfterStart[std::size_t(i)])
            << "index " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Clock, TimeBase,
    testing::Values(
        TimeBaseCase{"FromZero", 0, {0, 4'600'000, kSecond}, {0, 4'600'000, kSecond}, {0, 4, 1000}},
        TimeBaseCase{"LaterStart",
                     50 * kSecond,
                     {50 * kSecond + 1'999'999, 52 * kSecond},
                     {1'999'999, 2 * kSecond},
                     {1, 2000}},
        // Times stay sorted even if a clock went back.
        TimeBaseCase{"NeverBackwards",
                     kSecond,
                     {3 * kSecond, 2 * kSecond, 4 * kSecond},
                     {2 * kSecond, 2 * kSecond, 3 * kSecond},
                     {2000, 2000, 3000}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TraceMarks, countFromTheTraceStartBesideTheReadings)
{
    TraceModel model;
    model.startTrace(10 * kSecond, QDateTime::currentDateTime(), QString());
    model.addReading(10 * kSecond + 100 * kMs, "00000000");
    model.addMark(10 * kSecond + 150 * kMs, QStringLiteral("posmove"));
    model.addMark(12 * kSecond, QStringLiteral("SEND AB12"));
    ASSERT_EQ(model.marks().size(), 2U);
    EXPECT_EQ(model.marks()[0].nanos, 150 * kMs);
    EXPECT_EQ(model.marks()[0].label, QStringLiteral("posmove"));
    EXPECT_EQ(model.marks()[1].nanos, 2 * kSecond);
    EXPECT_EQ(model.marks()[1].label, QStringLiteral("SEND AB12"));
}

TEST(TraceClear, aNewTraceHoldsNothingOfTheOld)
{
    TraceModel model(100);
    fill(model, 250);
    model.addMark(5 * kMs, QStringLiteral("negmov"));
    model.startTrace(7 * kSecond, QDateTime::currentDateTime(), QStringLiteral("Comm Port 2"));
    EXPECT_EQ(model.size(), 0);
    EXPECT_EQ(model.dropped(), 0);
    EXPECT_TRUE(model.marks().empty());
    EXPECT_FALSE(model.nearest(0).has_value());
    EXPECT_EQ(model.source(), QStringLiteral("Comm Port 2"));
    // The blocks of the old trace must not leak into the new one's extremes.
    for (int i = 0; i < 70; ++i)
        model.addReading(7 * kSecond + i * kMs, "00000005");
    const auto columns = model.reduce(0, kSecond, 1);
    EXPECT_EQ(columns[0].count, 70);
    EXPECT_EQ(columns[0].min, 5);
    EXPECT_EQ(columns[0].max, 5);
}

struct NearestCase
{
    const char* name;
    qint64 at;
    qsizetype index;
};

void PrintTo(const NearestCase& c, std::ostream* os)
{
    *os << c.name;
}

class Nearest : public testing::TestWithParam<NearestCase>
{
};

TEST_P(Nearest, findsTheClosestReading)
{
    TraceModel model(8);
    fill(model, 12); // keeps 4 ms to 11 ms
    const auto found = model.nearest(GetParam().at);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(Pointer, Nearest,
                         testing::Values(NearestCase{"BeforeTheOldest", 0, 0},
                                         NearestCase{"Exact", 6 * kMs, 2},
                                         NearestCase{"CloserToTheEarlier", 6 * kMs + 400'000, 2},
                                         NearestCase{"CloserToTheLater", 6 * kMs + 600'000, 3},
                                         NearestCase{"AfterTheNewest", kSecond, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TicksCase
{
    const char* name;
    double low;
    double high;
    int maxCount;
    std::vector<double> values;
    int decimals;
};

void PrintTo(const TicksCase& c, std::ostream* os)
{
    *os << c.name;
}

class Ticks : public testing::TestWithParam<TicksCase>
{
};

TEST_P(Ticks, fallOnRoundNumbers)
{
    const TicksCase& c = GetParam();
    const RoundTicks ticks = roundTicks(c.low, c.high, c.maxCount);
    ASSERT_EQ(ticks.values.size(), c.values.size());
    for (std::size_t i = 0; i < c.values.size(); ++i)
        EXPECT_DOUBLE_EQ(ticks.values[i], c.values[i]) << "tick " << i;
    EXPECT_EQ(ticks.decimals, c.decimals);
}

INSTANTIATE_TEST_SUITE_P(
    Axes, Ticks,
    testing::Values(
        TicksCase{"Tens", 0, 60, 6, {0, 10, 20, 30, 40, 50, 60}, 0},
        TicksCase{"Twos", 0.5, 9.7, 5, {2, 4, 6, 8}, 0},
        TicksCase{"Fives", 3, 27, 5, {5, 10, 15, 20, 25}, 0},
        TicksCase{"Tenths", -0.25, 0.25, 5, {-0.2, -0.1, 0, 0.1, 0.2}, 1},
        TicksCase{"Hundredths", 10.01, 10.05, 4, {10.01, 10.02, 10.03, 10.04, 10.05}, 2},
        TicksCase{"Negative", -1050, -1000, 5, {-1050, -1040, -1030, -1020, -1010, -1000}, 0},
        TicksCase{"Empty", 5, 5, 5, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct ViewCase
{
    const char* name;
    TraceView::Span span;
    qint64 first;
    qint64 last;
    TimeRange range;
};

void PrintTo(const ViewCase& c, std::ostream* os)
{
    *os << c.name;
}

class Following : public testing::TestWithParam<ViewCase>
{
};

TEST_P(Following, showsTheNewestOverTheSpan)
{
    TraceView view;
    view.setSpan(GetParam().span);
    EXPECT_EQ(view.range(GetParam().first, GetParam().last), GetParam().range);
}

INSTANTIATE_TEST_SUITE_P(
    Spans, Following,
    testing::Values(
        ViewCase{
            "YoungRunFromTheLeft", TraceView::Span::Last10s, 0, 3 * kSecond, {0, 10 * kSecond}},
        ViewCase{
            "Scrolls", TraceView::Span::Last10s, 0, 25 * kSecond, {15 * kSecond, 25 * kSecond}},
        ViewCase{
            "Minute", TraceView::Span::Last1min, 0, 90 * kSecond, {30 * kSecond, 90 * kSecond}},
        ViewCase{"TenMinutes", TraceView::Span::Last10min, 0, kSecond, {0, 600 * kSecond}},
        ViewCase{"WholeRun", TraceView::Span::WholeRun, 0, 42 * kSecond, {0, 42 * kSecond}},
        ViewCase{"WholeRunAfterDrops",
                 TraceView::Span::WholeRun,
                 5 * kSecond,
                 42 * kSecond,
                 {5 * kSecond, 42 * kSecond}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TraceViewing, zoomKeepsThePointerTimeAndStopsFollowingUntilResumed)
{
    TraceView view;
    view.setSpan(TraceView::Span::Last10s);
    // The time under the pointer, a quarter in, stays where it is.
    view.zoom(0, 20 * kSecond, 0.25, 0.5);
    EXPECT_FALSE(view.following());
    EXPECT_EQ(view.range(0, 30 * kSecond), (TimeRange{11'250 * kMs, 16'250 * kMs}));
    view.pan(0, 30 * kSecond, -kSecond);
    EXPECT_EQ(view.range(0, 40 * kSecond), (TimeRange{10'250 * kMs, 15'250 * kMs}));
    view.follow();
    EXPECT_EQ(view.range(0, 40 * kSecond), (TimeRange{30 * kSecond, 40 * kSecond}));
}

} // namespace
} // namespace dravix::test
