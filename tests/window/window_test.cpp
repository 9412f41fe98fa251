#include "designvalues.h"
#include "portdevices.h"
#include "serialport.h"
#include "windowharness.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <gtest/gtest.h>
#include <qpa/qwindowsysteminterface.h>

#include <algorithm>

namespace dravix::test {
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

// Whether anything is drawn in the last column or row of a caption's picture, as it is when
// the caption does not fit its box: cut off at the right, or wrapped past the bottom.
[[nodiscard]] bool inkOnRightOrBottomEdge(const QImage& picture, const QColor& background)
{
    const int right = picture.width() - 1;
    const int bottom = picture.height() - 1;
    for (int y = 0; y <= bottom; ++y) {
        if (picture.pixelColor(right, y) != background)
            return true;
    }
    for (int x = 0; x <= right; ++x) {
        if (picture.pixelColor(x, bottom) != background)
            return true;
    }
    return false;
}

void PrintTo(const ControlRow& row, std::ostream* os)
{
    *os << row.name;
}

class WindowDesign : public ::testing::TestWithParam<ControlRow>
{
};

TEST_P(WindowDesign, controlMatchesItsDesign)
{
    const ControlRow& row = GetParam();
    const WindowHarness harness;
    auto* control = harness.control<QWidget>(row.name);
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
    if (row.background &&
        (qobject_cast<const QLabel*>(control) || qobject_cast<const QRadioButton*>(control))) {
        // The caption fits in the designed size with the fonts this platform draws it with.
        EXPECT_FALSE(inkOnRightOrBottomEdge(control->grab().toImage(), *row.background));
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
}

struct PasteRow
{
    const char* name;
    QString before; // with '|' where the cursor stands
    QString pasted;
    QString after;
};

void PrintTo(const PasteRow& row, std::ostream* os)
{
    *os << row.name;
}

class TextBoxPaste : public ::testing::TestWithParam<PasteRow>
{
};

TEST_P(TextBoxPaste, keepsOneLineOfCharactersTheDriveCanTake)
{
    const PasteRow& row = GetParam();
    const WindowHarness harness;
    auto* text = harness.control<QLineEdit>("Text1");
    text->setText(QString(row.before).remove(u'|'));
    text->setCursorPosition(static_cast<int>(row.before.indexOf(u'|')));
    QApplication::clipboard()->setText(row.pasted);
    ASSERT_EQ(QApplication::clipboard()->text(), row.pasted);
    text->paste();
    EXPECT_EQ(text->text(), row.after);
}

INSTANTIATE_TEST_SUITE_P(
    Pastes, TextBoxPaste,
    ::testing::Values(PasteRow{"longerThanSixteen", QStringLiteral(u"|"),
                               QStringLiteral(u"abcdefghijklmnopqrstuvwxyz"),
                               QStringLiteral(u"abcdefghijklmnop")},
                      PasteRow{"crLfEndsThePaste", QStringLiteral(u"|"),
                               QStringLiteral(u"UC03\r\n0002"), QStringLiteral(u"UC03")},
                      PasteRow{"lineFeedEndsThePaste", QStringLiteral(u"|"),
                               QStringLiteral(u"UC03\n0002"), QStringLiteral(u"UC03")},
                      PasteRow{"carriageReturnEndsThePaste", QStringLiteral(u"|"),
                               QStringLiteral(u"UC03\r0002"), QStringLiteral(u"UC03")},
                      PasteRow{"unicodeLineSeparatorEndsThePaste", QStringLiteral(u"|"),
                               QStringLiteral(u"AB\u2028CD"), QStringLiteral(u"AB")},
                      PasteRow{"paragraphSeparatorFirst", QStringLiteral(u"|"),
                               QStringLiteral(u"\u2029XY"), QStringLiteral(u"")},
                      PasteRow{"intoTheMiddleKeepsWhatFollows", QStringLiteral(u"UC|xx"),
                               QStringLiteral(u"03\r\nzz"), QStringLiteral(u"UC03xx")},
                      PasteRow{"controlCharactersNeverGetIn", QStringLiteral(u"|"),
                               QStringLiteral(u"A\tB\u0001C\u007F\u0085D\u001B"),
                               QStringLiteral(u"ABCD")},
                      PasteRow{"halfACharacterAtTheLimitNeverGetsIn", QStringLiteral(u"|"),
                               QStringLiteral(u"AAAAAAAAAAAAAAA\U0001F600"),
                               QStringLiteral(u"AAAAAAAAAAAAAAA")},
                      PasteRow{"nulNeverGetsIn", QStringLiteral(u"|"),
                               QStringLiteral(u"UC0") + QChar(0) + QStringLiteral(u"0"),
                               QStringLiteral(u"UC00")}),
    [](const auto& info) { return std::string(info.param.name); });

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

TEST(Window, portButtonTooltipsNameTheDeviceAClickWouldOpenNow)
{
    WindowHarness harness;
    const auto tipOf = [](QRadioButton& button) {
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&button, &help);
        return QToolTip::text();
    };
    const test::PortMapping missing(2, test::missingDevice());
    const QString missingTip =
        QStringLiteral("Opens %1, which is not present (DRAVIX_PORT2)").arg(test::missingDevice());
    EXPECT_EQ(tipOf(harness.option(2)), missingTip);
    // A click that did not open the port: the reason waits in the tooltip, nothing is shown.
    harness.click(harness.option(2));
    EXPECT_FALSE(harness.option(2).isChecked());
    EXPECT_TRUE(harness.reports().empty());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_TRUE(tipOf(harness.option(2))
                    .startsWith(missingTip + QStringLiteral("\nComm Port 2 did not open: ") +
                                test::missingDevice() + QStringLiteral(": ")))
        << tipOf(harness.option(2)).toStdString();

    // A device that is there: on POSIX any file (a pseudo-terminal, a by-id link), on Windows
    // only a port the system lists.
#ifdef Q_OS_WIN
    const QList<SerialDevice> listed = presentSerialDevices();
    if (listed.isEmpty())
        GTEST_SKIP() << "no COM port on this machine to name as present";
    const QString device = listed.first().path;
#else
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    const QString device = file.fileName();
#endif
    const test::PortMapping present(1, device);
    EXPECT_EQ(tipOf(harness.option(1)), QStringLiteral("Opens %1 (DRAVIX_PORT1)").arg(device));
}

TEST(ErrorReport, showsOneBoxAtATime)
{
    // The real report, a message box.
    MainWindow window;
    window.show();
    auto* posMove = window.findChild<QPushButton*>(QStringLiteral("Command7"));
    const auto boxesShown = [] {
        const QWidgetList shown = QApplication::topLevelWidgets();
        return std::count_if(shown.begin(), shown.end(), [](QWidget* w) {
            return qobject_cast<QMessageBox*>(w) && w->isVisible();
        });
    };
    // No port open: each press is refused and reported.
    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(posMove, Qt::LeftButton);
    EXPECT_EQ(boxesShown(), 1);

    // Once closed, the next error has a box again.
    const QWidgetList shown = QApplication::topLevelWidgets();
    for (QWidget* w : shown) {
        if (qobject_cast<QMessageBox*>(w))
            w->close();
    }
    ASSERT_EQ(boxesShown(), 0);
    QTest::mouseClick(posMove, Qt::LeftButton);
    EXPECT_EQ(boxesShown(), 1);
}

TEST(CloseHandling, aCloseRequestWhileAnErrorIsReportedEndsTheProgram)
{
    // The real report, a message box, not the capturing one; and the program's own event
    // loop, which ends when the program would.
    MainWindow window;
    window.show();
    bool reportShown = false;
    QTimer::singleShot(0, &window, [&] {
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Command7")),
                          Qt::LeftButton);
        const QWidgetList shown = QApplication::topLevelWidgets();
        reportShown = std::any_of(shown.begin(), shown.end(), [](QWidget* w) {
            return qobject_cast<QMessageBox*>(w) && w->isVisible();
        });
        // As the title bar's close button or the end of the session asks it.
        QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
            window.windowHandle());
    });
    QTimer::singleShot(5000, &window, [] { QApplication::exit(2); });
    EXPECT_EQ(QApplication::exec(), 0) << "the program went on after the close request";
    EXPECT_TRUE(reportShown);
    EXPECT_FALSE(window.isVisible());
}

TEST(StartupReset, leavesTheTerminalIdle)
{
    WindowHarness harness;
    EXPECT_FALSE(harness.button("Command1").isEnabled());
    EXPECT_EQ(test::rowTexts(harness.hexList()), test::emptyRows());
    EXPECT_EQ(test::rowTexts(harness.decimalList()), test::emptyRows());
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
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    harness.window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&harness.window()));
    EXPECT_EQ(harness.hexList().item(3)->text(), QStringLiteral("kept"));
    EXPECT_TRUE(harness.button("Command1").isEnabled());
}

} // namespace
} // namespace dravix::test

namespace dravix::test {
namespace {

struct ReceivedRow
{
    const char* name;
    QString text; // eleven characters, the last a digit
};

void PrintTo(const ReceivedRow& row, std::ostream* os)
{
    *os << row.name;
}

// The rightmost column of the row's text that is drawn darker than the list's white.
[[nodiscard]] int rightmostInk(const QImage& picture, const QRect& row)
{
    for (int x = row.right(); x >= row.left(); --x) {
        for (int y = row.top(); y <= row.bottom(); ++y) {
            if (qRed(picture.pixel(x, y)) < 128)
                return x;
        }
    }
    return -1;
}

class HexListRow : public ::testing::TestWithParam<ReceivedRow>
{
};

TEST_P(HexListRow, showsEveryReceivedCharacterInItsPlace)
{
    const WindowHarness harness;
    QListWidget& list = harness.hexList();
    list.item(0)->setText(QStringLiteral("   00000064"));
    list.item(1)->setText(GetParam().text);
    const QImage picture = list.viewport()->grab().toImage();
    const qreal ratio = picture.devicePixelRatio();
    const auto inPicture = [&](const QRect& r) {
        return QRect((QPointF(r.topLeft()) * ratio).toPoint(), (QSizeF(r.size()) * ratio).toSize());
    };
    const int reference = rightmostInk(picture, inPicture(list.visualItemRect(list.item(0))));
    ASSERT_GT(reference, 0);
    // Nothing elided, nothing of zero width, nothing wrapped: the last digit ends where the
    // last digit of a plain reading ends.
    EXPECT_EQ(rightmostInk(picture, inPicture(list.visualItemRect(list.item(1)))), reference);
    EXPECT_EQ(list.item(1)->text(), GetParam().text) << "the row's own text must stay as received";
}

INSTANTIATE_TEST_SUITE_P(
    Characters, HexListRow,
    ::testing::Values(ReceivedRow{"tab", QStringLiteral("   0000\t064")},
                      ReceivedRow{"lineFeed", QStringLiteral("   000000\n4")},
                      ReceivedRow{"carriageReturn", QStringLiteral("   0000\r064")},
                      ReceivedRow{"nul", QStringLiteral("   ") + QString(7, QChar(0)) + u'4'},
                      ReceivedRow{"escapeAndDelete", QStringLiteral("   \u001B[2J\u007F\u007F04")},
                      ReceivedRow{"c1Controls", QStringLiteral("   \u0080\u0085\u009F00004")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowPicture, savedPngShowsTheColourScheme)
{
    WindowHarness harness;
    const QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("window.png"));
    const QImage grabbed = harness.window().grab().toImage();
    ASSERT_TRUE(grabbed.save(path));
    // The picture as saved and read back, as a person would open it.
    QImage picture(path);
    picture.setDevicePixelRatio(grabbed.devicePixelRatio());
    ASSERT_EQ(picture.size(), QSize(612, 471) * picture.devicePixelRatio());

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
        // Each frame one flat grey: its caption strip, its inside, and beside its labels.
        {"Frame1 caption strip", {300, 52}, kGrey},
        {"Frame1 inside, beside Label2", {30, 70}, kGrey},
        {"Frame3 caption strip", {300, 138}, kGrey},
        {"Frame3 inside, below CLEAR", {100, 320}, kGrey},
        {"Frame3 inside, between the lists", {412, 250}, kGrey},
        {"Frame2 inside, beside Option2", {45, 445}, kGrey},
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
} // namespace dravix::test
