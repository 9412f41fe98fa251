#include "designvalues.h"
#include "serialport.h"
#include "terminalfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace dravix {
namespace {

using test::WindowHarness;

// The window as designed: what a user sees of every control.
struct ControlRow
{
    const char* name;
    const char* metaClass;
    const char* container;
    const char* caption;
    QRect pixels; // twips / 15
    const char* family;
    double points;
    bool bold;
    std::optional<QColor> background;
};

const QColor kGrey(128, 128, 128);
const QColor kWhite(255, 255, 255);
const QColor kBlue(0, 0, 255);

class WindowDesign : public ::testing::TestWithParam<ControlRow>
{
};

TEST_P(WindowDesign, controlMatchesItsDesign)
{
    const ControlRow& row = GetParam();
    const WindowHarness harness;
    const auto* control = harness.control<QWidget>(row.name);
    ASSERT_NE(control, nullptr) << row.name;
    EXPECT_TRUE(control->inherits(row.metaClass)) << control->metaObject()->className();
    EXPECT_EQ(control->parentWidget()->objectName(), QString::fromLatin1(row.container));
    EXPECT_EQ(control->geometry(), row.pixels);
    EXPECT_EQ(control->font().family(), QString::fromLatin1(row.family));
    EXPECT_DOUBLE_EQ(control->font().pointSizeF(), row.points);
    EXPECT_EQ(control->font().bold(), row.bold);
    EXPECT_TRUE(control->isVisible());

    const QString caption = QString::fromLatin1(row.caption);
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        EXPECT_EQ(label->text(), caption);
    } else if (const auto* box = qobject_cast<const QGroupBox*>(control)) {
        EXPECT_EQ(box->title(), caption);
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        EXPECT_EQ(button->text(), caption);
    }

    if (row.background) {
        // The colour the widget actually fills its background with.
        EXPECT_EQ(control->palette().color(control->backgroundRole()), *row.background);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Controls, WindowDesign,
    ::testing::Values(
        ControlRow{"Label1",
                   "QLabel",
                   "Form1",
                   "Test Terminal Functions, Serial Communications with Dravix Devices",
                   {24, 10, 565, 25},
                   "Arial",
                   12,
                   true,
                   kBlue},
        ControlRow{"Frame1",
                   "QGroupBox",
                   "Form1",
                   "Command String Transmit",
                   {24, 46, 567, 73},
                   "Arial",
                   12,
                   true,
                   kGrey},
        ControlRow{"Label2",
                   "QLabel",
                   "Frame1",
                   "Enter string to xmit  here                  (up to 16 characters)",
                   {8, 24, 233, 37},
                   "Arial",
                   9.75,
                   true,
                   kGrey},
        ControlRow{"Text1",
                   "QLineEdit",
                   "Frame1",
                   "",
                   {254, 28, 205, 28},
                   "Courier New",
                   12,
                   true,
                   kWhite},
        ControlRow{"Command1",
                   "QPushButton",
                   "Frame1",
                   "SEND",
                   {468, 26, 80, 33},
                   "Arial",
                   14.25,
                   true,
                   std::nullopt},
        ControlRow{"Frame3",
                   "QGroupBox",
                   "Form1",
                   "Received Characters Monitor",
                   {24, 132, 567, 223},
                   "Arial",
                   12,
                   true,
                   kGrey},
        ControlRow{
            "Label3",
            "QLabel",
            "Frame3",
            "Last 10 8-character ASCII strings returned.  Each represents a 32-bit number in "
            "hex format.  Listed in descending order of reception",
            {10, 32, 223, 67},
            "Arial",
            9.75,
            true,
            kGrey},
        ControlRow{"Command3",
                   "QPushButton",
                   "Frame3",
                   "CLEAR",
                   {154, 112, 80, 33},
                   "Arial",
                   14.25,
                   true,
                   std::nullopt},
        ControlRow{"Label5",
                   "QLabel",
                   "Frame3",
                   "Hexadecimal (base16)",
                   {244, 14, 127, 19},
                   "Arial",
                   8.25,
                   true,
                   kGrey},
        ControlRow{"List1",
                   "QListWidget",
                   "Frame3",
                   "",
                   {244, 34, 124, 180},
                   "Courier New",
                   9.75,
                   true,
                   kWhite},
        ControlRow{"Label6",
                   "QLabel",
                   "Frame3",
                   "Decimal (base10)",
                   {410, 14, 127, 19},
                   "Arial",
                   8.25,
                   true,
                   kGrey},
        ControlRow{"List2",
                   "QListWidget",
                   "Frame3",
                   "",
                   {412, 34, 124, 180},
                   "Courier New",
                   9.75,
                   true,
                   kWhite},
        ControlRow{"Frame2",
                   "QGroupBox",
                   "Form1",
                   "Serial Communications Settings",
                   {24, 368, 567, 85},
                   "Arial",
                   12,
                   true,
                   kGrey},
        ControlRow{"Option1",
                   "QRadioButton",
                   "Frame2",
                   "Comm Port 1",
                   {24, 24, 107, 23},
                   "Arial",
                   8.25,
                   true,
                   kGrey},
        ControlRow{"Option2",
                   "QRadioButton",
                   "Frame2",
                   "Comm Port 2",
                   {24, 50, 107, 23},
                   "Arial",
                   8.25,
                   true,
                   kGrey},
        ControlRow{"Label4",
                   "QLabel",
                   "Frame2",
                   "19200 baud, 1 start bit, 8 data bits, odd parity, 1 stop bit",
                   {222, 34, 321, 23},
                   "Arial",
                   8.25,
                   true,
                   kGrey},
        ControlRow{"Command7",
                   "QPushButton",
                   "Form1",
                   "posmove",
                   {736, 22, 67, 33},
                   "MS Sans Serif",
                   8.25,
                   false,
                   std::nullopt},
        ControlRow{"Command8",
                   "QPushButton",
                   "Form1",
                   "negmov",
                   {842, 24, 75, 33},
                   "MS Sans Serif",
                   8.25,
                   false,
                   std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Window, titleSizeAndColours)
{
    const WindowHarness harness;
    MainWindow& window = const_cast<WindowHarness&>(harness).window();
    EXPECT_EQ(window.objectName(), QStringLiteral("Form1"));
    EXPECT_EQ(window.windowTitle(),
              QStringLiteral(
                  "Serial Command Test Terminal Software, Dravix Drives and Indexing Controllers"));
    EXPECT_EQ(window.size(), QSize(612, 471));
    EXPECT_EQ(window.palette().color(QPalette::Window), kBlue);
    EXPECT_EQ(harness.control<QLabel>("Label1")->palette().color(QPalette::WindowText), kWhite);
    EXPECT_EQ(harness.option(1).palette().color(QPalette::WindowText), QColor(0, 0, 0));
}

TEST(Window, moveButtonsLieBeyondTheDesignedClientArea)
{
    const WindowHarness harness;
    for (const char* name : {"Command7", "Command8"})
        EXPECT_GE(harness.button(name).geometry().left(), 612) << name;
}

TEST(Window, textBoxTakesAtMostSixteenCharactersTypedOrPasted)
{
    const WindowHarness harness;
    auto* text = harness.control<QLineEdit>("Text1");
    text->setFocus();
    QTest::keyClicks(text, QStringLiteral("0123456789ABCDEFG"));
    EXPECT_EQ(text->text(), QStringLiteral("0123456789ABCDEF"));

    text->clear();
    QApplication::clipboard()->setText(QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    text->paste();
    EXPECT_EQ(text->text(), QStringLiteral("abcdefghijklmnop"));
}

TEST(Window, tabVisitsTheControlsInDesignOrderIncludingTheHiddenMoveButtons)
{
    WindowHarness harness;
    harness.button("Command1").setEnabled(true);
    harness.control<QLineEdit>("Text1")->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    EXPECT_EQ(visited, (QStringList{"Text1", "Command1", "Command3", "List1", "Command7",
                                    "Command8", "Option1", "List2", "Text1"}));
}

TEST(Window, spaceOnAFocusedMoveButtonClicksIt)
{
    WindowHarness harness;
    for (const char* name : {"Command7", "Command8"}) {
        QPushButton& button = harness.button(name);
        QSignalSpy clicked(&button, &QPushButton::clicked);
        button.setFocus();
        QTest::keyClick(&button, Qt::Key_Space);
        EXPECT_EQ(clicked.count(), 1) << name;
    }
    // No port is open, so each press is refused and reported.
    EXPECT_EQ(harness.reports().size(), 2U);
}

TEST(StartupReset, leavesTheTerminalIdle)
{
    WindowHarness harness;
    EXPECT_FALSE(harness.button("Command1").isEnabled());
    EXPECT_EQ(test::rowTexts(harness.hexList()), test::emptyRows());
    EXPECT_EQ(test::rowTexts(harness.decimalList()), test::emptyRows());
    EXPECT_FALSE(harness.window().port().portOpen());
    EXPECT_EQ(harness.window().port().settings(), QStringLiteral("19200,O,8,1"));
    EXPECT_EQ(harness.window().port().inputLen(), 1);
    EXPECT_TRUE(harness.control<QLineEdit>("Text1")->isEnabled());
    EXPECT_TRUE(harness.reports().empty());
}

TEST(StartupReset, runsOnlyOnTheFirstActivation)
{
    WindowHarness harness;
    harness.hexList().item(3)->setText(QStringLiteral("kept"));
    harness.button("Command1").setEnabled(true);
    // Another window takes the focus and gives it back, as switching applications would.
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QApplication::setActiveWindow(&harness.window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&harness.window()));
    EXPECT_EQ(harness.hexList().item(3)->text(), QStringLiteral("kept"));
    EXPECT_TRUE(harness.button("Command1").isEnabled());
}

} // namespace
} // namespace dravix

namespace dravix {
namespace {

TEST(WindowPicture, savedPngShowsTheColourScheme)
{
    WindowHarness harness;
    const QImage picture = harness.window().grab().toImage();
    ASSERT_EQ(picture.size(), QSize(612, 471) * picture.devicePixelRatio());
    // Kept for a person to look at, beside the test binary.
    EXPECT_TRUE(picture.save(QStringLiteral("window.png")));

    struct Point
    {
        const char* where;
        QPoint at;
        QColor colour;
    };
    const Point points[] = {
        {"window", {5, 5}, kBlue},
        {"between frames", {300, 125}, kBlue},
        {"Label2", {100, 100}, kGrey},
        {"Option1 beside its text", {140, 400}, kGrey},
        {"Label4 past its text", {560, 422}, kGrey},
        {"Text1", {440, 88}, kWhite},
        {"List1", {360, 330}, kWhite},
        {"List2", {530, 330}, kWhite},
    };
    for (const Point& point : points)
        EXPECT_EQ(picture.pixelColor(point.at * picture.devicePixelRatio()), point.colour)
            << point.where;
}

} // namespace
} // namespace dravix
