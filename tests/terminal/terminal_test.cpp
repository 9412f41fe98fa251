#include "pseudoterminal.h"
#include "testsupport.h"
#include "receivemonitor.h"
#include "serialport.h"
#include "terminalfixture.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace dravix {
namespace {

using namespace std::chrono_literals;
using test::WindowHarness;

// Two devices on pseudo-terminals mapped as ports 1 and 2, and the real window.
class Terminal : public ::testing::Test
{
protected:
    void select(int n) { harness.click(harness.option(n)); }
    [[nodiscard]] QStringList hexRows() const { return test::rowTexts(harness.hexList()); }
    [[nodiscard]] QStringList decimalRows() const
    {
        return test::rowTexts(harness.decimalList());
    }
    [[nodiscard]] bool waitForWaiting(qint64 count)
    {
        return test::waitFor([&] { return port().inBufferCount() == count; });
    }
    [[nodiscard]] SerialPort& port() { return harness.window().port(); }
    [[nodiscard]] const ReceiveMonitor& monitor() { return harness.window().monitor(); }
    void expectStoppedQuietly()
    {
        EXPECT_FALSE(harness.button("Command1").isEnabled());
        EXPECT_FALSE(monitor().running());
        EXPECT_FALSE(harness.option(1).isChecked());
        EXPECT_FALSE(harness.option(2).isChecked());
        EXPECT_FALSE(port().portOpen());
        EXPECT_TRUE(harness.reports().empty());
    }

    test::PseudoTerminal device1;
    test::PseudoTerminal device2;
    test::PortMapping mapping1{1, device1.slavePath()};
    test::PortMapping mapping2{2, device2.slavePath()};
    WindowHarness harness;
};

// --- Readings -------------------------------------------------------------------------

TEST_F(Terminal, sevenCharactersFormNothingAndTheEighthShows)
{
    select(1);
    device1.write("0001E24");
    ASSERT_TRUE(waitForWaiting(7));
    QTest::qWait(50);
    EXPECT_EQ(hexRows(), test::emptyRows());

    device1.write("0");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   0001E240")));
    EXPECT_EQ(decimalRows().first(), QStringLiteral("1234.56"));
    // Rows below the first reading: empty in hex, "0.0" in decimal.
    EXPECT_EQ(hexRows().mid(1), QStringList(9, QString()));
    EXPECT_EQ(decimalRows().mid(1), QStringList(9, QStringLiteral("0.0")));
    EXPECT_EQ(port().inBufferCount(), 0);
}

TEST_F(Terminal, twentyCharactersGiveTwoReadingsAndLeaveFour)
{
    select(1);
    device1.write("00000064FFFFFF9C1234");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   FFFFFF9C")));
    EXPECT_EQ(hexRows().mid(0, 3),
              (QStringList{"   FFFFFF9C", "   00000064", QString()}));
    EXPECT_EQ(decimalRows().mid(0, 3), (QStringList{"-1.0", "1.0", "0.0"}));
    EXPECT_TRUE(waitForWaiting(4));
}

TEST_F(Terminal, elevenReadingsKeepTheTenNewest)
{
    select(1);
    QByteArray stream;
    for (int i = 1; i <= 11; ++i)
        stream += QByteArray::number(i * 100, 16).toUpper().rightJustified(8, '0');
    device1.write(stream);
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   0000044C")));
    EXPECT_EQ(harness.hexList().count(), 10);
    EXPECT_EQ(hexRows().last(), QStringLiteral("   000000C8"));
    EXPECT_EQ(decimalRows().last(), QStringLiteral("2.0"));
    EXPECT_EQ(decimalRows().first(), QStringLiteral("11.0"));
}

TEST_F(Terminal, otherEventsRunBetweenReadingsOfABurst)
{
    select(1);
    QByteArray stream;
    for (int i = 0; i < 300; ++i)
        stream += QByteArray::number(i, 16).rightJustified(8, '0');
    QSignalSpy sendClicked(&harness.button("Command1"), &QPushButton::clicked);
    device1.write(stream);
    // The burst is taken one reading per turn, so a click made meanwhile is handled at once.
    ASSERT_TRUE(test::waitFor([&] { return port().inBufferCount() > 80; }));
    harness.click(harness.button("Command1"));
    EXPECT_EQ(sendClicked.count(), 1);
    EXPECT_GT(port().inBufferCount(), 0);
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   0000012b")))
        << hexRows().first().toStdString() << " waiting " << port().inBufferCount();
}

// --- Clear ----------------------------------------------------------------------------

TEST_F(Terminal, clearDropsAPartialReadingAndStartsAnEmptyHistory)
{
    select(1);
    device1.write("00000064");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   00000064")));
    device1.write("00000");
    ASSERT_TRUE(waitForWaiting(5));

    harness.click(harness.button("Command3"));
    ASSERT_TRUE(test::waitFor([&] { return monitor().clearRequest() == "no"; }));
    EXPECT_EQ(hexRows(), test::emptyRows());
    // Blank decimal rows after a clear, not "0.0".
    EXPECT_EQ(decimalRows(), test::emptyRows());
    EXPECT_EQ(port().inBufferCount(), 0);

    device1.write("000003E8");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   000003E8")));
    EXPECT_EQ(decimalRows().first(), QStringLiteral("10.0"));
    EXPECT_EQ(hexRows().mid(1), QStringList(9, QString()));
}

TEST_F(Terminal, clearBeforeAnySelectionWaitsForTheFirstRun)
{
    harness.click(harness.button("Command3"));
    harness.click(harness.button("Command3"));
    QTest::qWait(20);
    EXPECT_EQ(monitor().clearRequest(), QStringLiteral("yes"));
    EXPECT_EQ(hexRows(), test::emptyRows());

    select(1);
    ASSERT_TRUE(test::waitFor([&] { return monitor().clearRequest() == "no"; }));
    EXPECT_EQ(decimalRows(), test::emptyRows());
    device1.write("0000000A");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   0000000A")));
    EXPECT_EQ(decimalRows().first(), QStringLiteral("0.1"));
}

// --- Port selection -------------------------------------------------------------------

TEST_F(Terminal, switchingPortsStartsAFreshHistoryEachTime)
{
    select(1);
    EXPECT_TRUE(harness.button("Command1").isEnabled());
    device1.write("00000001");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   00000001")));

    select(2);
    EXPECT_TRUE(harness.option(2).isChecked());
    EXPECT_FALSE(harness.option(1).isChecked());
    EXPECT_EQ(port().commPort(), 2);
    EXPECT_EQ(hexRows(), test::emptyRows());
    EXPECT_EQ(decimalRows(), test::emptyRows());
    // Port 1 is closed: what its device sends now reaches nobody.
    device1.write("00000099");
    device2.write("00000002");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   00000002")));
    EXPECT_EQ(hexRows().mid(1), QStringList(9, QString()));

    select(1);
    EXPECT_EQ(hexRows(), test::emptyRows());
    device1.write("00000003");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   00000003")));
    EXPECT_FALSE(hexRows().contains(QStringLiteral("   00000001")));
    EXPECT_FALSE(hexRows().contains(QStringLiteral("   00000002")));
    EXPECT_EQ(hexRows().mid(1), QStringList(9, QString()));
}

TEST_F(Terminal, clickingTheMonitoredPortAgainChangesNothing)
{
    select(1);
    device1.write("00000064" "123");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   00000064")));
    ASSERT_TRUE(waitForWaiting(3));
    const ReadingHistory* history = monitor().history();

    select(1);
    EXPECT_EQ(monitor().history(), history);
    EXPECT_EQ(hexRows().first(), QStringLiteral("   00000064"));
    EXPECT_EQ(port().inBufferCount(), 3);
    EXPECT_TRUE(harness.option(1).isChecked());
    device1.write("45678");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   12345678")));
}

TEST_F(Terminal, selectingAMissingPortStopsQuietly)
{
    const test::PortMapping missing(2, QStringLiteral("/dev/dravix-missing-port"));
    select(2);
    expectStoppedQuietly();
    EXPECT_EQ(hexRows(), test::emptyRows());
    EXPECT_EQ(port().commPort(), 2);
}

TEST_F(Terminal, aFailedSelectionWhileMonitoringEndsTheRunAndClosesThePort)
{
    select(1);
    device1.write("00000064");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   00000064")));
    const test::PortMapping missing(2, QStringLiteral("/dev/dravix-missing-port"));
    select(2);
    expectStoppedQuietly();
    EXPECT_EQ(hexRows(), test::emptyRows());
    device1.write("00000065");
    QTest::qWait(50);
    EXPECT_EQ(hexRows(), test::emptyRows());
}

TEST_F(Terminal, aPortHeldByAnotherProgramStopsQuietlyAndConnectsOnceFree)
{
    SerialPort other;
    other.setCommPort(1);
    other.setPortOpen(true);
    select(1);
    expectStoppedQuietly();

    other.setPortOpen(false);
    select(1);
    EXPECT_TRUE(port().portOpen());
    EXPECT_TRUE(harness.option(1).isChecked());
}

TEST_F(Terminal, hangUpStopsOnceReleasesThePortAndTheSameButtonReconnects)
{
    select(1);
    QSignalSpy stopped(&harness.window().selection(), &PortSelection::stopped);
    device1.write("00000064");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   00000064")));

    device1.hangUp();
    ASSERT_TRUE(stopped.wait(2000));
    QTest::qWait(200);
    EXPECT_EQ(stopped.count(), 1);
    expectStoppedQuietly();
    // What was shown stays.
    EXPECT_EQ(hexRows().first(), QStringLiteral("   00000064"));

    // A device is back at that port's path.
    test::PseudoTerminal replacement;
    const test::PortMapping back(1, replacement.slavePath());
    select(1);
    EXPECT_TRUE(port().portOpen());
    EXPECT_TRUE(harness.option(1).isChecked());
    EXPECT_EQ(hexRows(), test::emptyRows());
    replacement.write("00000096");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   00000096")));
    EXPECT_EQ(decimalRows().first(), QStringLiteral("1.5"));
}

// --- Transmit -------------------------------------------------------------------------

struct SendRow
{
    const char* name;
    const char* typed;
    QByteArray expected;
};

class TerminalSend : public Terminal, public ::testing::WithParamInterface<SendRow>
{
};

TEST_P(TerminalSend, sendsTheTypedTextAsIs)
{
    select(1);
    auto* text = harness.control<QLineEdit>("Text1");
    text->insert(QString::fromUtf8(GetParam().typed));
    harness.click(harness.button("Command1"));
    EXPECT_EQ(device1.readAvailable(), GetParam().expected);
    EXPECT_EQ(text->text(), QString::fromUtf8(GetParam().typed));
    EXPECT_TRUE(harness.reports().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, TerminalSend,
    ::testing::Values(SendRow{"threeLetters", "abc", "abc"}, SendRow{"emptySendsNothing", "", ""},
                      SendRow{"blanksKept", " a b ", " a b "},
                      SendRow{"sixteenCharacters", "0123456789ABCDEF", "0123456789ABCDEF"},
                      SendRow{"latin1OneByteEach", "\xC3\xA9t\xC3\xA9", "\xE9t\xE9"},
                      SendRow{"beyondLatin1IsQuestionMark", "\xE2\x82\xAC" "5", "?5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Terminal, sendingTwiceSendsTheSameTextTwice)
{
    select(1);
    auto* text = harness.control<QLineEdit>("Text1");
    QTest::keyClicks(text, QStringLiteral("US030002"));
    // Each press once the line has carried the previous one, as a person clicks.
    for (int press = 0; press < 2; ++press) {
        harness.click(harness.button("Command1"));
        EXPECT_EQ(device1.readAvailable(), QByteArray("US030002")) << press;
    }
    EXPECT_EQ(text->text(), QStringLiteral("US030002"));
}

struct MoveRow
{
    const char* button;
    QByteArray expected;
};

class TerminalMove : public Terminal, public ::testing::WithParamInterface<MoveRow>
{
};

TEST_P(TerminalMove, sendsItsPairBackToBack)
{
    select(1);
    harness.click(harness.button(GetParam().button));
    EXPECT_EQ(device1.readAvailable(), GetParam().expected);
    EXPECT_TRUE(harness.reports().empty());
}

TEST_P(TerminalMove, withNoPortOpenSendsNothingAndReportsOnce)
{
    harness.click(harness.button(GetParam().button));
    ASSERT_EQ(harness.reports().size(), 1U);
    EXPECT_EQ(harness.reports().front().number, static_cast<int>(PortErrorCode::PortNotOpen));
    EXPECT_FALSE(harness.reports().front().text.isEmpty());
    // The program goes on unchanged: the port can still be selected and used.
    EXPECT_FALSE(harness.button("Command1").isEnabled());
    EXPECT_EQ(hexRows(), test::emptyRows());
    select(1);
    EXPECT_TRUE(device1.readAvailable(100ms).isEmpty());
    harness.click(harness.button(GetParam().button));
    EXPECT_EQ(device1.readAvailable(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, TerminalMove,
                         ::testing::Values(MoveRow{"Command7", "UC030002US030002"},
                                           MoveRow{"Command8", "UC030003US030003"}),
                         [](const auto& info) {
                             return std::string(info.param.button) == "Command7" ? "posmove"
                                                                                 : "negmov";
                         });

TEST_F(Terminal, repliesToACommandShowAsReadings)
{
    select(1);
    harness.click(harness.button("Command7"));
    ASSERT_EQ(device1.readAvailable(), QByteArray("UC030002US030002"));
    device1.write("000000FA");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   000000FA")));
    EXPECT_EQ(decimalRows().first(), QStringLiteral("2.5"));
}

// --- Close ----------------------------------------------------------------------------

TEST_F(Terminal, closingWhileMonitoringReleasesThePortAndFreezesTheLists)
{
    select(1);
    device1.write("00000001");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   00000001")));
    device1.write("00000002" "00000003" "0000");
    ASSERT_TRUE(harness.window().close());
    const QStringList atClose = hexRows();
    device1.write("00000004");
    QTest::qWait(100);
    EXPECT_EQ(hexRows(), atClose);
    EXPECT_FALSE(port().portOpen());
    // Released: another opener can take the device at once.
    SerialPort other;
    EXPECT_NO_THROW(other.setPortOpen(true));
}

} // namespace
} // namespace dravix
