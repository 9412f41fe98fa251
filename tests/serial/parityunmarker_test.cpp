#include "parityunmarker.h"

#include <gtest/gtest.h>

namespace dravix::test {
namespace {

struct MarkedRow
{
    const char* name;
    QByteArray marked; // as the driver delivers it with PARMRK
    QByteArray plain;  // what the monitor must see
};

void PrintTo(const MarkedRow& row, std::ostream* os)
{
    *os << row.name;
}

class Unmarking : public ::testing::TestWithParam<MarkedRow>
{
};

TEST_P(Unmarking, givesThePlainStreamHoweverTheReadsCutIt)
{
    const MarkedRow& row = GetParam();
    for (qsizetype cut = 0; cut <= row.marked.size(); ++cut) {
        ParityUnmarker unmarker;
        QByteArray out;
        unmarker.feed(QByteArrayView(row.marked).first(cut), out);
        unmarker.feed(QByteArrayView(row.marked).sliced(cut), out);
        EXPECT_EQ(out.toHex(' '), row.plain.toHex(' ')) << "cut after " << cut;
    }
    ParityUnmarker oneByOne;
    QByteArray out;
    for (const char byte : row.marked)
        oneByOne.feed(QByteArrayView(&byte, 1), out);
    EXPECT_EQ(out.toHex(' '), row.plain.toHex(' ')) << "one byte per read";
}

INSTANTIATE_TEST_SUITE_P(
    DriverStreams, Unmarking,
    ::testing::Values(MarkedRow{"plainReadingPasses", "0001E240", "0001E240"},
                      MarkedRow{"parityErrorBecomesQuestionMarkAndKeepsAlignment",
                                QByteArray("0001\xFF\x00"
                                           "E240"
                                           "00000064",
                                           18),
                                "0001?240"
                                "00000064"},
                      MarkedRow{"parityErrorOnNulOrBreakBecomesQuestionMark",
                                QByteArray("\xFF\x00\x00"
                                           "1",
                                           4),
                                "?1"},
                      MarkedRow{"doubledFFIsOneFF",
                                "\xFF\xFF"
                                "A\xFF\xFF",
                                "\xFF"
                                "A\xFF"},
                      MarkedRow{"errorOnAnFFCharacter", QByteArray("\xFF\x00\xFF\xFF\xFF", 5),
                                "?\xFF"},
                      MarkedRow{"strayFFKeepsBothBytes",
                                "\xFF"
                                "A",
                                "\xFF"
                                "A"},
                      MarkedRow{"unfinishedMarkWaitsForMore", QByteArray("AB\xFF\x00", 4), "AB"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Unmarking, resetForgetsAnUnfinishedMark)
{
    ParityUnmarker unmarker;
    QByteArray out;
    unmarker.feed(QByteArray("A\xFF\x00", 3), out);
    unmarker.reset();
    unmarker.feed("BC", out);
    EXPECT_EQ(out, QByteArray("ABC"));
}

} // namespace
} // namespace dravix::test
