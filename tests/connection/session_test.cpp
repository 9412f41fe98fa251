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
        ASSERT_TRUE(session.port().portOpen());
    }
    [[nodiscard]] bool settlesAt(int readings, qint64 waiting)
    {
        return waitFor([&] {
            return display.readingsShown == readings && session.port().inBufferCount() == waiting;
        });
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
    qint64 waiting;
    QStringList hexTop;     // the first rows of the hexadecimal list
    QStringList decimalTop; // and of the decimal list
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
    ASSERT_TRUE(settlesAt(row.readings, row.waiting))
        << display.readingsShown << " readings, " << session.port().inBufferCount() << " waiting";
    ASSERT_EQ(display.hex.size(), 10);
    ASSERT_EQ(display.decimal.size(), 10);
    EXPECT_EQ(display.hex.mid(0, row.hexTop.size()), row.hexTop);
    EXPECT_EQ(display.decimal.mid(0, row.decimalTop.size()), row.decimalTop);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, SessionStream,
    ::testing::Values(StreamRow{"sevenCharactersWait", "0000006", 0, 7, QStringList(10, QString()),
                                QStringList(10, QString())},
                      StreamRow{
                          "firstReadingAboveNineEmptySlots",
                          "00000064",
                          1,
                          0,
                          {"   00000064", "", "", "", "", "", "", "", "", ""},
                          {"1.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0"}},
                      StreamRow{"twentyCharactersGiveTwoReadingsAndFourWait",
                                "0001E240FFFFFF9C1234",
                                2,
                                4,
                                {"   FFFFFF9C", "   0001E240", ""},
                                {"-1.0", "1234.56", "0.0"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Session, clearDropsAPartialReadingAndBlanksBothLists)
{
    select(1);
    device.write("00000064"
                 "00000");
    ASSERT_TRUE(settlesAt(1, 5));
    session.requestClear();
    ASSERT_TRUE(waitFor([&] { return session.port().inBufferCount() == 0; }));
    EXPECT_EQ(display.hex, QStringList(10, QString()));
    EXPECT_EQ(display.decimal, QStringList(10, QString()));
    device.write("000003E8");
    ASSERT_TRUE(settlesAt(2, 0));
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
    EXPECT_FALSE(session.port().portOpen());
    EXPECT_FALSE(view.sendEnabled);
    EXPECT_EQ(view.unselected, std::vector<int>{2});
    EXPECT_EQ(display.hex, QStringList(10, QString()));
    // The run on port 1 ended with it: nothing more reaches the display.
    device.write("00000064");
    QTest::qWait(100);
    EXPECT_EQ(display.readingsShown, 0);
}

TEST_F(Session, aHangUpStopsOnceAndReleasesTheDevice)
{
    select(1);
    device.write("00000064");
    ASSERT_TRUE(settlesAt(1, 0));
    EXPECT_TRUE(view.sendEnabled);
    device.hangUp();
    ASSERT_TRUE(waitFor([&] { return !session.port().portOpen(); }, std::chrono::seconds(2)));
    QTest::qWait(300);
    EXPECT_FALSE(view.sendEnabled);
    EXPECT_EQ(view.unselected, std::vector<int>{1});
    EXPECT_EQ(display.hex.first(), QStringLiteral("   00000064"));
}

} // namespace
} // namespace dravix::test
