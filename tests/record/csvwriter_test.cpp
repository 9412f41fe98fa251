#include "csvwriter.h"

#include <QLocale>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace dravix::test {
namespace {

struct RowCase
{
    const char* name;
    QByteArray chars;
    qint64 elapsedNanos;
    QByteArray expected; // after the time column
};

// Keeps test names short in listings.
void PrintTo(const RowCase& c, std::ostream* os)
{
    *os << c.name;
}

class Row : public testing::TestWithParam<RowCase>
{
};

TEST_P(Row, columnsAfterTheTime)
{
    // The decimal point stays '.' whatever the user's locale says.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QByteArray row =
        csvRow(QDateTime::currentDateTime(), GetParam().elapsedNanos, GetParam().chars);
    QLocale::setDefault(before);
    const qsizetype comma = row.indexOf(',');
    ASSERT_GT(comma, 0) << row.toStdString();
    EXPECT_EQ(row.mid(comma + 1), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Row,
    testing::Values(
        RowCase{"Positive", "0001E240", 1'234'567'890, "1.234,0001E240,123456,1234.56\r\n"},
        RowCase{"Negative", "FFFFFF9C", 999'999, "0.000,FFFFFF9C,-100,-1.0\r\n"},
        RowCase{"Lowest", "80000000", 59'000'000'000,
                "59.000,80000000,-2147483648,-21474836.48\r\n"},
        // Quoted as RFC 4180 needs: a comma, a doubled quote, a CR; other bytes as Latin-1.
        RowCase{"Quoted", QByteArray("1,\"4\r\xE9z7", 8), 5'000'000,
                "0.005,\"1,\"\"4\r\xC3\xA9z7\",1,0.01\r\n"},
        RowCase{"Blanks", "  12 3\t4", 42'000'000, "0.042,\"  12 3\t4\",4660,46.6\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct TimeCase
{
    const char* name;
    int offsetSeconds;
    const char* expected;
};

// Keeps test names short in listings.
void PrintTo(const TimeCase& c, std::ostream* os)
{
    *os << c.name;
}

class Time : public testing::TestWithParam<TimeCase>
{
};

TEST_P(Time, millisecondsAndOffset)
{
    const QDateTime time(QDate(2026, 12, 10), QTime(9, 5, 7, 45),
                         QTimeZone(GetParam().offsetSeconds));
    const QByteArray row = csvRow(time, 0, "00000000");
    EXPECT_EQ(row.left(row.indexOf(',')).toStdString(), GetParam().expected);
    const QByteArray command = commandsCsvRow(time, 0, QStringLiteral("posmove"));
    EXPECT_EQ(command.left(command.indexOf(',')).toStdString(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, Time,
    testing::Values(TimeCase{"Utc", 0, "2026-12-10T09:05:07.045+00:00"},
                    TimeCase{"East", 5 * 3600 + 1800, "2026-12-10T09:05:07.045+05:30"},
                    TimeCase{"West", -(3 * 3600 + 1800), "2026-12-10T09:05:07.045-03:30"}),
    [](const auto& info) { return std::string(info.param.name); });

struct CommandCase
{
    const char* name;
    QString sent;
    qint64 elapsedNanos;
    QByteArray expected; // after the time column
};

// Keeps test names short in listings.
void PrintTo(const CommandCase& c, std::ostream* os)
{
    *os << c.name;
}

class CommandRow : public testing::TestWithParam<CommandCase>
{
};

TEST_P(CommandRow, columnsAfterTheTime)
{
    const QByteArray row =
        commandsCsvRow(QDateTime::currentDateTime(), GetParam().elapsedNanos, GetParam().sent);
    const qsizetype comma = row.indexOf(',');
    ASSERT_GT(comma, 0) << row.toStdString();
    EXPECT_EQ(row.mid(comma + 1), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandRow,
                         testing::Values(CommandCase{"Move", QStringLiteral("posmove"),
                                                     1'234'567'890, "1.234,posmove\r\n"},
                                         CommandCase{"Send", QStringLiteral("SEND AB12"),
                                                     61'000'999'999, "61.000,SEND AB12\r\n"},
                                         // A typed comma or quote must not split the column.
                                         CommandCase{"Quoted", QStringLiteral("SEND a,\"b"),
                                                     7'000'000, "0.007,\"SEND a,\"\"b\"\r\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dravix::test
