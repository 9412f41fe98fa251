#include "portdevices.h"
#include "serialport.h"
#include "windowonpty.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace dravix::test {
namespace {

using namespace std::chrono_literals;

// Two devices on pseudo-terminals mapped as ports 1 and 2, and the real window.
class Terminal : public test::WindowOnPseudoTerminals
{
protected:
    void select(int n) { m_harness.click(portButton(n)); }
    [[nodiscard]] QStringList hexRows() { return test::rowTexts(hexList()); }
    [[nodiscard]] QStringList decimalRows() { return test::rowTexts(decimalList()); }
    void expectStoppedQuietly()
    {
        EXPECT_FALSE(sendButton().isEnabled());
        EXPECT_FALSE(portButton(1).isChecked());
        EXPECT_FALSE(portButton(2).isChecked());
        EXPECT_TRUE(m_reports.empty());
    }
    [[nodiscard]] bool waitForNewest(const QString& text) { return m_harness.waitForNewest(text); }
};

// --- Readings -------------------------------------------------------------------------

TEST_F(Terminal, otherEventsRunBetweenReadingsOfABurst)
{
    select(1);
    QByteArray stream;
    for (int i = 0; i < 300; ++i)
        stream += QByteArray::number(i, 16).rightJustified(8, '0');
    // When the first reading of the burst shows, post an event as a click would be posted:
    // it must run before the second reading, not after the monitor has drained the burst.
    int shown = 0;
    int shownWhenTheEventRan = -1;
    QObject context;
    QObject::connect(hexList().model(), &QAbstractItemModel::dataChanged, &context,
                     [&](const QModelIndex& topLeft) {
                         if (topLeft.row() != 0 || ++shown != 1)
                             return;
                         QMetaObject::invokeMethod(
                             &context, [&] { shownWhenTheEventRan = shown; }, Qt::QueuedConnection);
                     });
    m_pty1.write(stream);
    ASSERT_TRUE(waitForNewest(QStringLiteral("   0000012b"))) << hexRows().first().toStdString();
    EXPECT_EQ(shown, 300);
    EXPECT_EQ(shownWhenTheEventRan, 1);
}

// --- Clear ----------------------------------------------------------------------------

TEST_F(Terminal, clearDropsAPartialReadingAndStartsAnEmptyHistory)
{
    select(1);
    m_pty1.write("00000064");
    ASSERT_TRUE(waitForNewest(QStringLiteral("   00000064")));
    m_pty1.write("00000");
    ASSERT_TRUE(m_pty1.waitUntilRead());

    m_harness.click(clearButton());
    ASSERT_TRUE(test::waitFor([&] { return hexRows() == test::emptyRows(); }));
    // Blank decimal rows after a clear, not "0.0".
    EXPECT_EQ(decimalRows(), test::emptyRows());

    // The five waiting characters went with the clear.
    m_pty1.write("000003E8");
    ASSERT_TRUE(waitForNewest(QStringLiteral("   000003E8")));
    EXPECT_EQ(decimalRows().first(), QStringLiteral("10.0"));
    EXPECT_EQ(hexRows().mid(1), QStringList(9, QString()));
}

// --- Port selection -------------------------------------------------------------------

TEST_F(Terminal, switchingPortsStartsAFreshHistoryEachTime)
{
    select(1);
    EXPECT_TRUE(sendButton().isEnabled());
    m_pty1.write("00000001");
    ASSERT_TRUE(waitForNewest(QStringLiteral("   00000001")));

    select(2);
    EXPECT_TRUE(portButton(2).isChecked());
    EXPECT_FALSE(portButton(1).isChecked());
    EXPECT_TRUE(m_pty2.locked());
    EXPECT_FALSE(m_pty1.locked());
    EXPECT_EQ(hexRows(), test::emptyRows());
    EXPECT_EQ(decimalRows(), test::emptyRows());
    // Port 1 is closed: what its device sends now reaches nobody.
    m_pty1.write("00000099");
    m_pty2.write("00000002");
    ASSERT_TRUE(waitForNewest(QStringLiteral("   00000002")));
    EXPECT_EQ(hexRows().mid(1), QStringList(9, QString()));

    select(1);
    EXPECT_EQ(hexRows(), test::emptyRows());
    m_pty1.write("00000003");
    ASSERT_TRUE(waitForNewest(QStringLiteral("   00000003")));
    EXPECT_FALSE(hexRows().contains(QStringLiteral("   00000001")));
    EXPECT_FALSE(hexRows().contains(QStringLiteral("   00000002")));
    EXPECT_EQ(hexRows().mid(1), QStringList(9, QString()));
}

TEST_F(Terminal, clickingTheMonitoredPortAgainChangesNothing)
{
    select(1);
    m_pty1.write("00000064"
                 "123");
    ASSERT_TRUE(waitForNewest(QStringLiteral("   00000064")));
    ASSERT_TRUE(m_pty1.waitUntilRead());

    select(1);
    EXPECT_EQ(hexRows().first(), QStringLiteral("   00000064"));
    EXPECT_TRUE(portButton(1).isChecked());
    m_pty1.write("45678");
    ASSERT_TRUE(waitForNewest(QStringLiteral("   12345678")));
    // The same run and history go on.
    EXPECT_EQ(hexRows()[1], QStringLiteral("   00000064"));
}

TEST_F(Terminal, selectingAMissingPortStopsQuietly)
{
    const test::PortMapping missing(2, QStringLiteral("/dev/dravix-missing-port"));
    select(2);
    expectStoppedQuietly();
    EXPECT_FALSE(m_pty1.locked());
    EXPECT_EQ(hexRows(), test::emptyRows());
}

TEST_F(Terminal, aFailedSelectionWhileMonitoringEndsTheRunAndClosesThePort)
{
    select(1);
    m_pty1.write("00000064");
    ASSERT_TRUE(waitForNewest(QStringLiteral("   00000064")));
    const test::PortMapping missing(2, QStringLiteral("/dev/dravix-missing-port"));
    select(2);
    expectStoppedQuietly();
    EXPECT_FALSE(m_pty1.locked());
    EXPECT_EQ(hexRows(), test::emptyRows());
    m_pty1.write("00000065");
    EXPECT_TRUE(m_pty1.leftUnread(8)) << "read by a port that should be closed";
    EXPECT_EQ(hexRows(), test::emptyRows());
}

TEST_F(Terminal, aPortHeldByAnotherProgramStopsQuietlyAndConnectsOnceFree)
{
    SerialPort other;
    other.setDevicePath(portDevicePath(1));
    other.setPortOpen(true);
    select(1);
    expectStoppedQuietly();

    other.setPortOpen(false);
    select(1);
    EXPECT_TRUE(m_pty1.locked());
    EXPECT_TRUE(portButton(1).isChecked());
}

TEST_F(Terminal, hangUpStopsOnceReleasesThePortAndTheSameButtonReconnects)
{
    select(1);
    QSignalSpy toggled(&portButton(1), &QRadioButton::toggled);
    m_pty1.write("00000064");
    ASSERT_TRUE(waitForNewest(QStringLiteral("   00000064")));

    m_pty1.hangUp();
    ASSERT_TRUE(toggled.wait(2000));
    // Several hang-up probes later, still one stop.
    EXPECT_FALSE(toggled.wait(600));
    EXPECT_EQ(toggled.count(), 1) << "the connection stopped more than once";
    expectStoppedQuietly();
    EXPECT_FALSE(m_pty1.locked());
    // What was shown stays.
    EXPECT_EQ(hexRows().first(), QStringLiteral("   00000064"));

    // A device is back at that port's path.
    test::PseudoTerminal replacement;
    const test::PortMapping back(1, replacement.slavePath());
    select(1);
    EXPECT_TRUE(replacement.locked());
    EXPECT_TRUE(portButton(1).isChecked());
    EXPECT_EQ(hexRows(), test::emptyRows());
    replacement.write("00000096");
    ASSERT_TRUE(waitForNewest(QStringLiteral("   00000096")));
    EXPECT_EQ(decimalRows().first(), QStringLiteral("1.5"));
}

// --- Transmit -------------------------------------------------------------------------

struct SendRow
{
    const char* name;
    const char* typed;
    QByteArray expected;
};

void PrintTo(const SendRow& row, std::ostream* os)
{
    *os << row.name;
}

class TerminalSend : public Terminal, public ::testing::WithParamInterface<SendRow>
{
};

TEST_P(TerminalSend, sendsTheTypedTextAsIs)
{
    select(1);
    auto* text = m_harness.control<QLineEdit>("Text1");
    text->insert(QString::fromUtf8(GetParam().typed));
    m_harness.click(sendButton());
    EXPECT_EQ(m_pty1.readAvailable(), GetParam().expected);
    EXPECT_EQ(text->text(), QString::fromUtf8(GetParam().typed));
    EXPECT_TRUE(m_reports.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, TerminalSend,
    ::testing::Values(SendRow{"threeLetters", "abc", "abc"}, SendRow{"emptySendsNothing", "", ""},
                      SendRow{"blanksKept", " a b ", " a b "},
                      SendRow{"sixteenCharacters", "0123456789ABCDEF", "0123456789ABCDEF"},
                      SendRow{"latin1OneByteEach", "\xC3\xA9t\xC3\xA9", "\xE9t\xE9"},
                      SendRow{"beyondLatin1IsQuestionMark",
                              "\xE2\x82\xAC"
                              "5",
                              "?5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Terminal, sendingTwiceSendsTheSameTextTwice)
{
    select(1);
    auto* text = m_harness.control<QLineEdit>("Text1");
    QTest::keyClicks(text, QStringLiteral("US030002"));
    // Each press once the line has carried the previous one, as a person clicks.
    for (int press = 0; press < 2; ++press) {
        m_harness.click(sendButton());
        EXPECT_EQ(m_pty1.readAvailable(), QByteArray("US030002")) << press;
    }
    EXPECT_EQ(text->text(), QStringLiteral("US030002"));
}

struct MoveRow
{
    const char* button;
    QByteArray expected;
};

void PrintTo(const MoveRow& row, std::ostream* os)
{
    *os << row.button;
}

class TerminalMove : public Terminal, public ::testing::WithParamInterface<MoveRow>
{
};

TEST_P(TerminalMove, sendsItsPairBackToBack)
{
    select(1);
    m_harness.click(m_harness.button(GetParam().button));
    EXPECT_EQ(m_pty1.readAvailable(), GetParam().expected);
    EXPECT_TRUE(m_reports.empty());
}

TEST_P(TerminalMove, withNoPortOpenSendsNothingAndReportsOnce)
{
    m_harness.click(m_harness.button(GetParam().button));
    ASSERT_EQ(m_reports.size(), 1U);
    EXPECT_EQ(m_reports.front().number, static_cast<int>(PortErrorCode::PortNotOpen));
    EXPECT_FALSE(m_reports.front().text.isEmpty());
    // The program goes on unchanged: the port can still be selected and used.
    EXPECT_FALSE(sendButton().isEnabled());
    EXPECT_EQ(hexRows(), test::emptyRows());
    select(1);
    // Anything the refused press had queued would arrive ahead of the pair.
    m_harness.click(m_harness.button(GetParam().button));
    EXPECT_EQ(m_pty1.readAvailable(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, TerminalMove,
                         ::testing::Values(MoveRow{"Command7", "UC030002US030002"},
                                           MoveRow{"Command8", "UC030003US030003"}),
                         [](const auto& info) {
                             return std::string(info.param.button) == "Command7" ? "posmove"
                                                                                 : "negmov";
                         });

struct KeyRow
{
    const char* name;
    const char* focused;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QByteArray expected;
};

void PrintTo(const KeyRow& row, std::ostream* os)
{
    *os << row.name;
}

class TerminalKeys : public Terminal, public ::testing::WithParamInterface<KeyRow>
{
};

// Return and keypad Enter press whichever push button has the focus; there is no default
// button, so in the text box they do nothing.
TEST_P(TerminalKeys, enterPressesTheFocusedButtonOnly)
{
    const KeyRow& row = GetParam();
    select(1);
    textBox().setText(QStringLiteral("abc"));
    QWidget* focused = m_window.findChild<QWidget*>(QString::fromLatin1(row.focused));
    ASSERT_NE(focused, nullptr);
    focused->setFocus();
    QTest::keyClick(focused, row.key, row.modifiers);
    EXPECT_EQ(m_pty1.readAvailable(200ms), row.expected);
    EXPECT_TRUE(m_reports.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TerminalKeys,
    ::testing::Values(
        KeyRow{"returnOnPosmove", "Command7", Qt::Key_Return, Qt::NoModifier, "UC030002US030002"},
        KeyRow{"keypadEnterOnNegmov", "Command8", Qt::Key_Enter, Qt::KeypadModifier,
               "UC030003US030003"},
        KeyRow{"returnOnSend", "Command1", Qt::Key_Return, Qt::NoModifier, "abc"},
        KeyRow{"spaceStillPresses", "Command7", Qt::Key_Space, Qt::NoModifier, "UC030002US030002"},
        KeyRow{"returnInTheTextBoxSendsNothing", "Text1", Qt::Key_Return, Qt::NoModifier, ""},
        KeyRow{"shiftReturnIsNotEnter", "Command7", Qt::Key_Return, Qt::ShiftModifier, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Terminal, repliesToACommandShowAsReadings)
{
    select(1);
    m_harness.click(posMoveButton());
    ASSERT_EQ(m_pty1.readAvailable(), QByteArray("UC030002US030002"));
    m_pty1.write("000000FA");
    ASSERT_TRUE(waitForNewest(QStringLiteral("   000000FA")));
    EXPECT_EQ(decimalRows().first(), QStringLiteral("2.5"));
}

// --- Close ----------------------------------------------------------------------------

TEST_F(Terminal, closingWhileMonitoringReleasesThePortAndFreezesTheLists)
{
    select(1);
    m_pty1.write("00000001");
    ASSERT_TRUE(waitForNewest(QStringLiteral("   00000001")));
    m_pty1.write("00000002"
                 "00000003"
                 "0000");
    ASSERT_TRUE(m_window.close());
    const QStringList atClose = hexRows();
    m_pty1.write("00000004");
    EXPECT_TRUE(m_pty1.leftUnread(8));
    EXPECT_EQ(hexRows(), atClose);
    EXPECT_FALSE(m_pty1.locked());
    // Released: another opener can take the device at once.
    SerialPort other;
    other.setDevicePath(portDevicePath(1));
    EXPECT_NO_THROW(other.setPortOpen(true));
}

} // namespace
} // namespace dravix::test
