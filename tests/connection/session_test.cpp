// The terminal session without a window: readings from a pseudo-terminal reach a recording
// display, and port selections report to a recording view.

#include "pseudoterminal.h"
#include "recorders.h"
#include "serialport.h"
#include "terminalsession.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace dravix::test {
namespace {

class Session : public ::testing::Test
{
protected:
    void SetUp() override
    {
        session.startUp();
        ASSERT_EQ(display.hex, QStringList(10, QString()));
    }
    void select(int portNumber)
    {
        session.selectPort(portNumber);
        ASSERT_TRUE(device.locked());
    }
    // Everything sent has been read from the line and `readings` readings shown, no more.
    [[nodiscard]] bool settlesAt(int readings)
    {
        return waitFor([&] { return display.readingsShown >= readings; }) &&
               device.waitUntilRead() && display.readingsShown == readings;
    }

    PseudoTerminal device;
    PortMapping mapping{1, device.slavePath()};
    PortMapping missing{2, QStringLiteral("/dev/dravix-no-such-device")};
    RecordingDisplay display;
    RecordingView view;
    TerminalSession session{display, view};
};

struct StreamRow
{
    const char* name;
    QByteArray sent;
    int readings;
    QStringList hexTop;     // the first rows of the hexadecimal list
    QStringList decimalTop; // and of the decimal list
    QByteArray more;        // sent next: with what waits, it makes the next reading
    const char* next;
};

void PrintTo(const StreamRow& row, std::ostream* os)
{
    *os << row.name;
}

class SessionStream : public Session, public ::testing::WithParamInterface<StreamRow>
{
};

TEST_P(SessionStream, readingsFormEightCharactersAtATime)
{
    const StreamRow& row = GetParam();
    select(1);
    device.write(row.sent);
    ASSERT_TRUE(settlesAt(row.readings)) << display.readingsShown << " readings";
    ASSERT_EQ(display.hex.size(), 10);
    ASSERT_EQ(display.decimal.size(), 10);
    EXPECT_EQ(display.hex.mid(0, row.hexTop.size()), row.hexTop);
    EXPECT_EQ(display.decimal.mid(0, row.decimalTop.size()), row.decimalTop);
    // The characters left waiting begin the next reading.
    device.write(row.more);
    ASSERT_TRUE(settlesAt(row.readings + 1));
    EXPECT_EQ(display.hex.first(), QString::fromLatin1(row.next));
}

INSTANTIATE_TEST_SUITE_P(
    Streams, SessionStream,
    ::testing::Values(
        StreamRow{"sevenCharactersWait", "0000006", 0, QStringList(10, QString()),
                  QStringList(10, QString()), "4", "   00000064"},
        StreamRow{"firstReadingAboveNineEmptySlots",
                  "00000064",
                  1,
                  {"   00000064", "", "", "", "", "", "", "", "", ""},
                  {"1.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0"},
                  "0000000A",
                  "   0000000A"},
        StreamRow{"elevenReadingsKeepTheTenNewest",
                  "00000064000000C80000012C00000190000001F4000002580000"
                  "02BC0000032000000384000003E80000044C",
                  11,
                  {"   0000044C", "   000003E8", "   00000384", "   00000320", "   000002BC",
                   "   00000258", "   000001F4", "   00000190", "   0000012C", "   000000C8"},
                  {"11.0", "10.0", "9.0", "8.0", "7.0", "6.0", "5.0", "4.0", "3.0", "2.0"},
                  "00000001",
                  "   00000001"},
        StreamRow{"twentyCharactersGiveTwoReadingsAndFourWait",
                  "0001E240FFFFFF9C1234",
                  2,
                  {"   FFFFFF9C", "   0001E240", ""},
                  {"-1.0", "1234.56", "0.0"},
                  "5678",
                  "   12345678"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Session, clearDropsAPartialReadingAndBlanksBothLists)
{
    select(1);
    device.write("00000064"
                 "00000");
    ASSERT_TRUE(settlesAt(1));
    session.requestClear();
    ASSERT_TRUE(waitFor([&] { return display.hex == QStringList(10, QString()); }));
    EXPECT_EQ(display.decimal, QStringList(10, QString()));
    // The five characters that waited went with the clear.
    device.write("000003E8");
    ASSERT_TRUE(settlesAt(2));
    EXPECT_EQ(display.hex.first(), QStringLiteral("   000003E8"));
    EXPECT_EQ(display.hex.mid(1), QStringList(9, QString()));
}

TEST_F(Session, aMissingPortStopsQuietly)
{
    select(1);
    QSignalSpy said(&session, &TerminalSession::diagnostic);
    session.selectPort(2);
    // Quiet in the window; one line for standard error that says why and what to do.
    ASSERT_EQ(said.count(), 1);
    EXPECT_EQ(said.first().first().toString(),
              QStringLiteral("Comm Port 2 did not open: /dev/dravix-no-such-device: no such "
                             "device; is the drive's adapter plugged in? dravix-terminal "
                             "--list-ports shows the ports there are, and DRAVIX_PORT1 or "
                             "DRAVIX_PORT2 picks one"));
    EXPECT_FALSE(device.locked());
    EXPECT_FALSE(view.sendEnabled);
    EXPECT_EQ(view.unselected, std::vector<int>{2});
    EXPECT_EQ(display.hex, QStringList(10, QString()));
    // Port 1 closed and its run ended with it: nothing more reaches the display.
    device.write("00000064");
    EXPECT_TRUE(device.leftUnread(8));
    EXPECT_EQ(display.readingsShown, 0);
}

TEST_F(Session, aHangUpStopsOnceAndReleasesTheDevice)
{
    select(1);
    device.write("00000064");
    ASSERT_TRUE(settlesAt(1));
    EXPECT_TRUE(view.sendEnabled);
    device.hangUp();
    ASSERT_TRUE(waitFor([&] { return !view.unselected.empty(); }, std::chrono::seconds(2)));
    // Several hang-up probes later, still one stop.
    EXPECT_FALSE(
        waitFor([&] { return view.unselected.size() > 1; }, std::chrono::milliseconds(600)));
    EXPECT_FALSE(view.sendEnabled);
    EXPECT_EQ(view.unselected, std::vector<int>{1});
    EXPECT_EQ(display.hex.first(), QStringLiteral("   00000064"));
}

TEST_F(Session, clearBeforeAnySelectionWaitsForTheFirstRun)
{
    const int clearsAtStart = display.clears;
    session.requestClear();
    session.requestClear();
    QCoreApplication::processEvents();
    EXPECT_EQ(display.clears, clearsAtStart) << "cleared with no run to carry it out";

    // The selection resets the lists; its run's first turn carries the clear out, once.
    select(1);
    ASSERT_TRUE(waitFor([&] { return display.clears == clearsAtStart + 2; }));
    device.write("0000000A");
    ASSERT_TRUE(settlesAt(1));
    device.write("00000014");
    ASSERT_TRUE(settlesAt(2));
    EXPECT_EQ(display.hex.mid(0, 2), (QStringList{"   00000014", "   0000000A"}));
    EXPECT_EQ(display.clears, clearsAtStart + 2);
}

} // namespace
} // namespace dravix::test
