#include "conversion.h"
#include "readinghistory.h"

#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

namespace dravix::test {
namespace {

const QString kPoint = QStringLiteral(".");

QByteArray readingFromText(const char (&eight)[kReadingLength + 1])
{
    std::array<unsigned char, kReadingLength> chars{};
    for (int i = 0; i < kReadingLength; ++i)
        chars[i] = static_cast<unsigned char>(eight[i]);
    return readingOf(chars);
}

struct ConversionRow
{
    const char* name;
    QByteArray received;
    std::int32_t value;
    const char* decimal;
};

void PrintTo(const ConversionRow& row, std::ostream* os)
{
    *os << row.name;
}

class Conversion : public ::testing::TestWithParam<ConversionRow>
{
};

TEST_P(Conversion, slotTextKeepsWhatArrivedAndDecimalFollowsTheRules)
{
    const ConversionRow& row = GetParam();
    std::array<unsigned char, kReadingLength> chars{};
    ASSERT_EQ(row.received.size(), kReadingLength);
    // Copies exactly the array's length: GCC 14 at -O3 does not carry the size check above into
    // a copy up to end() and warns of an overflow that cannot happen.
    std::copy_n(row.received.begin(), chars.size(), chars.begin());
    const QByteArray slot = readingOf(chars);

    EXPECT_EQ(slot, QByteArray("   ") + row.received);
    EXPECT_EQ(readingValue(slot), row.value);
    EXPECT_EQ(decimalRowText(slot, kPoint), QString::fromLatin1(row.decimal));
}

INSTANTIATE_TEST_SUITE_P(
    HexReadingsToHundredths, Conversion,
    ::testing::Values(ConversionRow{"hundred", "00000064", 100, "1.0"},
                      ConversionRow{"minusHundred", "FFFFFF9C", -100, "-1.0"},
                      ConversionRow{"minusOne", "FFFFFFFF", -1, "-0.01"},
                      ConversionRow{"zero", "00000000", 0, "0.0"},
                      ConversionRow{"ten", "0000000A", 10, "0.1"},
                      ConversionRow{"thousandKeepsOneDecimal", "000003E8", 1000, "10.0"},
                      ConversionRow{"twoDecimals", "0001E240", 123456, "1234.56"},
                      ConversionRow{"lowercaseDigits", "0012d687", 1234567, "12345.67"},
                      ConversionRow{"negativeWhole", "FFFFFE0C", -500, "-5.0"},
                      ConversionRow{"allIntegerDigitsShown", "7FFFFFFF", 2147483647, "21474836.47"},
                      ConversionRow{"mostNegative", "80000000", -2147483647 - 1, "-21474836.48"},
                      ConversionRow{"blankInsideSkipped", "12 34567", 0x1234567, "190887.43"},
                      ConversionRow{"nonDigitEndsNumber", "00G12345", 0, "0.0"}));

INSTANTIATE_TEST_SUITE_P(
    BlanksStopsSignsAndTrailingZeros, Conversion,
    ::testing::Values(ConversionRow{"sixteenBitHighStandsForItself", "0000ABCD", 0xABCD, "439.81"},
                      ConversionRow{"ffffStandsForItself", "0000FFFF", 0xFFFF, "655.35"},
                      ConversionRow{"tabSkipped", "00\t00064", 0x64, "1.0"},
                      ConversionRow{"lineFeedSkipped", "0000006\n", 6, "0.06"},
                      ConversionRow{"carriageReturnEndsNumber", "000\r0064", 0, "0.0"},
                      ConversionRow{"trailingZeroDropped", "00000096", 150, "1.5"},
                      ConversionRow{"innerZeroKept", "00000069", 105, "1.05"},
                      ConversionRow{"belowOne", "00000005", 5, "0.05"},
                      ConversionRow{"mixedCase", "00aBcDeF", 0xABCDEF, "112593.75"},
                      ConversionRow{"regressionNulByteEndsNumber",
                                    QByteArray("0001\0"
                                               "234",
                                               8),
                                    1, "0.01"},
                      ConversionRow{"regressionHighByteEndsNumber",
                                    QByteArray("0010\xB0"
                                               "234",
                                               8),
                                    0x10, "0.16"},
                      ConversionRow{"allBlanksIsZero", "        ", 0, "0.0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConversionFormat, matchesScalingByOneHundredthInDoublePrecision)
{
    // The text is defined by (1.0 / 100.0) * n rounded at the fifth decimal; check the exact
    // arithmetic against that over values spread through the whole 32-bit range.
    for (std::int64_t n = INT32_MIN; n <= INT32_MAX; n += 104729 * 97) {
        for (const std::int64_t delta : {0, 1, 5, 10, 99}) {
            const auto value = static_cast<std::int32_t>(
                std::clamp<std::int64_t>(n + delta, INT32_MIN, INT32_MAX));
            const double scaled = (1.0 / 100.0) * value;
            QString reference = QString::number(scaled, 'f', 5);
            while (reference.endsWith(u'0') && !reference.endsWith(QStringLiteral(".0")))
                reference.chop(1);
            ASSERT_EQ(formatHundredths(value, kPoint), reference) << value;
        }
    }
}

TEST(ConversionFormat, usesTheSeparatorPassedIn)
{
    EXPECT_EQ(decimalRowText(readingFromText("0001E240"), QStringLiteral(",")),
              QStringLiteral("1234,56"));
    EXPECT_EQ(decimalRowText(QByteArray(), QStringLiteral(",")), QStringLiteral("0,0"));
}

TEST(ConversionRead, reducesToTheLowByteOfTheFirstCharacter)
{
    EXPECT_EQ(characterOfRead("A"), 'A');
    EXPECT_EQ(characterOfRead("xyz"), 'x');
    EXPECT_EQ(characterOfRead(QByteArray(1, '\0')), 0);
    EXPECT_EQ(characterOfRead("\xFF"), 0xFF);
    EXPECT_FALSE(characterOfRead(QByteArray()).has_value());
}

TEST(ConversionRead, hexRowShowsEveryByteAsItsLatin1Character)
{
    const QByteArray slot = readingFromText("\x01\xE9\xFF"
                                            "ABCD\x7F");
    const QString row = hexRowText(slot);
    ASSERT_EQ(row.size(), 11);
    EXPECT_EQ(row.mid(3, 3), QString::fromUtf16(u"\u0001\u00E9\u00FF"));
    EXPECT_EQ(row.at(10), QChar(0x7F));
}

TEST(ConversionRead, textOfAValueIsWhatReadingValueDecodes)
{
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    const struct
    {
        std::int32_t hundredths;
        std::string_view text;
    } cases[] = {{0, "00000000"},      {100, "00000064"},     {-1, "FFFFFFFF"},
                 {-100, "FFFFFF9C"},   {kMax, "7FFFFFFF"},    {kMin, "80000000"},
                 {123456, "0001E240"}, {-123456, "FFFE1DC0"}, {0x1A2B3C4D, "1A2B3C4D"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hundredths);
        EXPECT_EQ(readingText(c.hundredths), c.text);
        EXPECT_EQ(readingValue(QByteArrayView(readingText(c.hundredths))), c.hundredths);
    }
}

TEST(ReadingHistory, firstReadingFillsSlotZeroOnly)
{
    ReadingHistory history;
    history.add(readingFromText("0001E240"));
    EXPECT_EQ(hexRowText(history.slot(0)), QStringLiteral("   0001E240"));
    EXPECT_EQ(decimalRowText(history.slot(0), kPoint), QStringLiteral("1234.56"));
    for (int k = 1; k < kHistorySlots; ++k) {
        EXPECT_EQ(hexRowText(history.slot(k)), QString()) << k;
        EXPECT_EQ(decimalRowText(history.slot(k), kPoint), QStringLiteral("0.0")) << k;
    }
}

TEST(ReadingHistory, keepsTheTenNewestNewestFirst)
{
    ReadingHistory history;
    for (int i = 1; i <= 11; ++i)
        history.add(QByteArray("   ") + QByteArray::number(i, 16).rightJustified(8, '0'));
    // The eleventh reading dropped the first: slot 9 holds the second.
    EXPECT_EQ(history.slot(9), QByteArray("   00000002"));
    EXPECT_EQ(history.slot(0), QByteArray("   0000000b"));
    for (int k = 0; k < kHistorySlots; ++k)
        EXPECT_EQ(readingValue(history.slot(k)), 11 - k);
}

TEST(ReadingHistory, clearEmptiesEverySlot)
{
    ReadingHistory history;
    for (int i = 0; i < 4; ++i)
        history.add(readingFromText("00000064"));
    history.clear();
    for (int k = 0; k < kHistorySlots; ++k) {
        EXPECT_TRUE(history.slot(k).isEmpty());
        EXPECT_EQ(decimalRowText(history.slot(k), kPoint), QStringLiteral("0.0"));
    }
}

} // namespace
} // namespace dravix::test
