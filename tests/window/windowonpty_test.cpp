// The window on a pseudo-terminal: what its start-up and close do to an open port.

#include "pseudoterminal.h"
#include "windowharness.h"

#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace dravix::test {
namespace {

using test::WindowHarness;

TEST(Window, portButtonsAreOneGroupThatSelectsEachPort)
{
    test::PseudoTerminal pty1;
    test::PseudoTerminal pty2;
    const test::PortMapping mapping1(1, pty1.slavePath());
    const test::PortMapping mapping2(2, pty2.slavePath());
    WindowHarness harness;
    EXPECT_FALSE(harness.option(1).isChecked());
    EXPECT_FALSE(harness.option(2).isChecked());
    // Each click as a person makes it: the button is selected, the other cleared, and the
    // click reaches the selection of that button's own port.
    for (const int portNumber : {1, 2, 1}) {
        harness.click(harness.option(portNumber));
        EXPECT_TRUE(harness.option(portNumber).isChecked()) << portNumber;
        EXPECT_FALSE(harness.option(3 - portNumber).isChecked()) << portNumber;
        EXPECT_TRUE((portNumber == 1 ? pty1 : pty2).locked()) << portNumber;
        EXPECT_FALSE((portNumber == 1 ? pty2 : pty1).locked()) << portNumber;
    }
}

// The button's menu, as the keyboard opens it; empty when none is up.
[[nodiscard]] QMenu* openPortMenu(QRadioButton& button, Qt::Key key, Qt::KeyboardModifiers mods)
{
    button.setFocus();
    QTest::keyClick(&button, key, mods);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

TEST(Window, portMenuAndCommandLineDecideWhatAClickOpens)
{
    test::PseudoTerminal variable;
    test::PseudoTerminal commandLine;
    const test::PortMapping mapping(1, variable.slavePath());
    WindowHarness harness;
    harness.window().pinPort(1, commandLine.slavePath());
    harness.click(harness.option(1));
    EXPECT_TRUE(commandLine.locked()) << "--port1 wins over DRAVIX_PORT1";
    EXPECT_FALSE(variable.locked());

    QMenu* menu = openPortMenu(harness.option(1), Qt::Key_Menu, Qt::NoModifier);
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    ASSERT_GE(actions.size(), 3);
    EXPECT_EQ(actions.front()->text(), QStringLiteral("Automatic"));
    EXPECT_FALSE(actions.front()->isChecked());
    EXPECT_EQ(actions.back()->text(), commandLine.slavePath() + QStringLiteral(" (--port1)"));
    EXPECT_TRUE(actions.back()->isChecked());
    actions.front()->trigger();
    menu->close();
    // The choice waits for the next click; the open port stays as it is.
    EXPECT_TRUE(commandLine.locked());
    harness.click(harness.option(2));
    harness.click(harness.option(1));
    EXPECT_FALSE(commandLine.locked());
    EXPECT_FALSE(variable.locked()) << "automatic chosen in the menu sets the pins aside";

    menu = openPortMenu(harness.option(2), Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->actions().front()->isChecked()) << "port 2 is automatic";
    menu->close();
}

TEST(CloseHandling, closesAnOpenPortAndIsNeverRefused)
{
    test::PseudoTerminal pty;
    const test::PortMapping mapping(1, pty.slavePath());
    WindowHarness harness;
    harness.click(harness.option(1));
    ASSERT_TRUE(pty.locked());

    EXPECT_TRUE(harness.window().close());
    EXPECT_FALSE(pty.locked());
    pty.write("00000064");
    EXPECT_TRUE(pty.leftUnread(8));
    EXPECT_EQ(test::rowTexts(harness.hexList()), test::emptyRows());
}

TEST(CloseHandling, withNoPortOpenWritesNothingToThePort)
{
    test::PseudoTerminal pty;
    const test::PortMapping mapping1(1, pty.slavePath());
    const test::PortMapping mapping2(2, QStringLiteral("/dev/dravix-missing-port"));
    WindowHarness harness;
    // Port 1 was open, and a failed selection of port 2 left no port open.
    harness.click(harness.option(1));
    ASSERT_TRUE(pty.locked());
    harness.click(harness.option(2));
    ASSERT_FALSE(pty.locked());

    EXPECT_TRUE(harness.window().close());
    EXPECT_FALSE(pty.locked()) << "the close opened a port";
    EXPECT_TRUE(pty.readAvailable(std::chrono::milliseconds(100)).isEmpty());
    EXPECT_TRUE(harness.reports().empty());
}

TEST(StartupReset, aClickBeforeTheFirstActivationRunsItFirstAndActivationLaterKeepsTheSelection)
{
    // Without a window manager a window may never be activated before the first click.
    test::PseudoTerminal pty;
    const test::PortMapping mapping(1, pty.slavePath());
    std::vector<test::Report> reports;
    MainWindow window(std::make_unique<test::CapturingReporter>(reports));
    window.show();
    auto* option1 = window.findChild<QRadioButton*>(QStringLiteral("Option1"));
    QTest::mouseClick(option1, Qt::LeftButton);
    EXPECT_EQ(window.findChild<QListWidget*>(QStringLiteral("List1"))->count(), 10);
    EXPECT_TRUE(pty.locked());

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(window.findChild<QPushButton*>(QStringLiteral("Command1"))->isEnabled());
    pty.write("00000064");
    EXPECT_TRUE(test::waitFor([&] {
        return window.findChild<QListWidget*>(QStringLiteral("List2"))->item(0)->text() ==
               QStringLiteral("1.0");
    }));
}

} // namespace
} // namespace dravix::test
