// The serial line through Wine: the real window and port on a COM port whose far end this
// test plays itself, on a second COM port joined to it. DRAVIX_TEST_LINES names the pairs,
// "COM3:COM4,COM5:COM6,COM8:COM7" (the terminal's port, then the drive's); without two the
// suite skips. In the third the drive's end is the pty's master (tests/wine/modemlines.c), so
// closing it hangs the terminal's end up.

#include "portdevices.h"
#include "porterror.h"
#include "serialport.h"
#include "tracepixels.h"
#include "tracewidget.h"
#include "tracewindow.h"
#include "windowharness.h"

#include <QAction>
#include <QCoreApplication>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace dravix {
namespace {

using test::WindowHarness;

struct Line
{
    QString terminalEnd;
    QString driveEnd;
};

[[nodiscard]] QList<Line> testLines()
{
    QList<Line> lines;
    for (const QString& pair : qEnvironmentVariable("DRAVIX_TEST_LINES").split(u',')) {
        const QStringList ends = pair.split(u':');
        if (ends.size() == 2)
            lines.append({ends.at(0), ends.at(1)});
    }
    return lines;
}

// The drive's end of a line, opened with the terminal's settings.
class DriveEnd final
{
public:
    explicit DriveEnd(const QString& name)
    {
        m_port.setPortName(name);
        m_port.setBaudRate(19200);
        m_port.setParity(QSerialPort::OddParity);
        m_opened = m_port.open(QIODevice::ReadWrite);
    }
    [[nodiscard]] bool isOpen() const { return m_opened; }
    void send(const QByteArray& bytes)
    {
        m_port.write(bytes);
        (void)m_port.waitForBytesWritten(1000);
    }
    // What the terminal sent, once `length` bytes have come.
    [[nodiscard]] QByteArray receive(qsizetype length)
    {
        QByteArray got;
        (void)test::waitFor([&] {
            (void)m_port.waitForReadyRead(10);
            got += m_port.readAll();
            return got.size() >= length;
        });
        return got;
    }
    void hangUp() { m_port.close(); }

private:
    QSerialPort m_port;
    bool m_opened = false;
};

class WineLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_lines = testLines();
        if (m_lines.size() < 2)
            GTEST_SKIP() << "DRAVIX_TEST_LINES does not name two joined COM port pairs";
    }
    QList<Line> m_lines;
};

TEST_F(WineLine, readingsArriveAndSendLeavesOnTheLine)
{
    const test::PortMapping mapping(1, m_lines.at(0).terminalEnd);
    DriveEnd drive(m_lines.at(0).driveEnd);
    ASSERT_TRUE(drive.isOpen());
    WindowHarness harness;
    harness.click(harness.option(1));
    ASSERT_TRUE(harness.option(1).isChecked());

    drive.send("0001E240");
    EXPECT_TRUE(harness.waitForNewest(QStringLiteral("   0001E240")));
    drive.send("FFFFFF9C");
    EXPECT_TRUE(harness.waitForNewest(QStringLiteral("   FFFFFF9C")));
    EXPECT_EQ(harness.decimalList().item(0)->text(), QStringLiteral("-1.0"));
    EXPECT_EQ(harness.decimalList().item(1)->text(), QStringLiteral("1234.56"));

    QTest::keyClicks(harness.control<QWidget>("Text1"), QStringLiteral("UC030002"));
    harness.click(harness.button("Command1"));
    EXPECT_EQ(drive.receive(8), QByteArray("UC030002"));
    EXPECT_TRUE(harness.reports().empty());
}

TEST_F(WineLine, switchingPortsMovesTheReadingsToTheOtherLine)
{
    const test::PortMapping mapping1(1, m_lines.at(0).terminalEnd);
    const test::PortMapping mapping2(2, m_lines.at(1).terminalEnd);
    DriveEnd drive1(m_lines.at(0).driveEnd);
    DriveEnd drive2(m_lines.at(1).driveEnd);
    ASSERT_TRUE(drive1.isOpen() && drive2.isOpen());
    WindowHarness harness;
    harness.click(harness.option(1));
    drive1.send("00000064");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   00000064")));

    harness.click(harness.option(2));
    ASSERT_TRUE(harness.option(2).isChecked());
    EXPECT_EQ(test::rowTexts(harness.hexList()), test::emptyRows());
    // Once in five runs on a loaded machine the first reading after the switch never showed
    // (Wine's handling of the purge at the open, it seems); a second one must.
    drive2.send("000000C8");
    if (!harness.waitForNewest(QStringLiteral("   000000C8"))) {
        drive2.send("000000C8");
        EXPECT_TRUE(harness.waitForNewest(QStringLiteral("   000000C8")));
    }
    EXPECT_TRUE(harness.reports().empty());
}

TEST_F(WineLine, aPortTheTerminalHoldsCannotBeOpenedAgain)
{
    const test::PortMapping mapping(1, m_lines.at(0).terminalEnd);
    WindowHarness harness;
    harness.click(harness.option(1));
    ASSERT_TRUE(harness.option(1).isChecked());
    SerialPort second;
    second.setDevicePath(portDevicePath(1));
    EXPECT_THROW(second.setPortOpen(true), PortError);
    EXPECT_FALSE(second.portOpen());
    EXPECT_TRUE(harness.option(1).isChecked());
}

TEST_F(WineLine, hangUpEndsInTheQuietStopAndTheSameButtonReconnects)
{
    if (m_lines.size() < 3)
        GTEST_SKIP() << "DRAVIX_TEST_LINES names no line whose drive end is a pty's master";
    const Line& line = m_lines.at(2);
    const test::PortMapping mapping(1, line.terminalEnd);
    auto drive = std::make_unique<DriveEnd>(line.driveEnd);
    ASSERT_TRUE(drive->isOpen());
    WindowHarness harness;
    harness.click(harness.option(1));
    ASSERT_TRUE(harness.option(1).isChecked());
    drive->send("00000064");
    ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   00000064")));

    QSignalSpy toggled(&harness.option(1), &QRadioButton::toggled);
    drive.reset();
    EXPECT_TRUE(toggled.wait(1000)) << "no stop within a second of the hang-up";
    EXPECT_FALSE(toggled.wait(600));
    EXPECT_EQ(toggled.count(), 1) << "the connection stopped more than once";
    EXPECT_FALSE(harness.option(1).isChecked());
    EXPECT_FALSE(harness.option(2).isChecked());
    EXPECT_FALSE(harness.button("Command1").isEnabled());
    EXPECT_TRUE(harness.reports().empty());

    // A device back at that name opens on the same button.
    DriveEnd replacement(line.driveEnd);
    ASSERT_TRUE(replacement.isOpen());
    harness.click(harness.option(1));
    ASSERT_TRUE(harness.option(1).isChecked());
    replacement.send("00000096");
    EXPECT_TRUE(harness.waitForNewest(QStringLiteral("   00000096")));
}

// dravix-log.exe beside this test, the drive played here: the command goes out before the
// first reading is recorded, and --count ends the program with one row per reading.
TEST_F(WineLine, dravixLogSendsThenRecordsEveryReadingAndEndsAfterCount)
{
    DriveEnd drive(m_lines.at(0).driveEnd);
    ASSERT_TRUE(drive.isOpen());
    QProcess log;
    log.start(QCoreApplication::applicationDirPath() + QStringLiteral("/dravix-log.exe"),
              {QStringLiteral("--port"), m_lines.at(0).terminalEnd, QStringLiteral("--send"),
               QStringLiteral("UC030002"), QStringLiteral("--count"), QStringLiteral("3")});
    ASSERT_TRUE(log.waitForStarted(10000)) << log.errorString().toStdString();
    // The drive answers only once the command has come: nothing earlier can be recorded.
    ASSERT_EQ(drive.receive(8), QByteArray("UC030002"));
    drive.send("00000064FFFFFF9C0001E240");
    ASSERT_TRUE(log.waitForFinished(10000));
    EXPECT_EQ(log.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(log.exitCode(), 0) << log.readAllStandardError().toStdString();

    QList<QByteArrayList> fields;
    for (const QByteArray& row : log.readAllStandardOutput().split('\n')) {
        if (!row.isEmpty())
            fields.append(row.chopped(row.endsWith('\r') ? 1 : 0).split(','));
    }
    ASSERT_EQ(fields.size(), 4);
    EXPECT_EQ(fields.at(0), QByteArrayList({"time", "elapsed_s", "hex", "value", "position"}));
    const QList<QByteArrayList> readings{{"00000064", "100", "1.0"},
                                         {"FFFFFF9C", "-100", "-1.0"},
                                         {"0001E240", "123456", "1234.56"}};
    for (qsizetype i = 0; i < readings.size(); ++i) {
        ASSERT_EQ(fields.at(i + 1).size(), 5) << "row " << i + 1;
        EXPECT_EQ(fields.at(i + 1).mid(2), readings.at(i)) << "row " << i + 1;
    }
}

TEST_F(WineLine, theTraceWindowOpensAndDrawsTheReadingsRising)
{
    const test::PortMapping mapping(1, m_lines.at(0).terminalEnd);
    DriveEnd drive(m_lines.at(0).driveEnd);
    ASSERT_TRUE(drive.isOpen());
    WindowHarness harness;
    harness.click(harness.option(1));
    ASSERT_TRUE(harness.option(1).isChecked());
    // The lists' context menu item, as a right-click offers it.
    auto* show = harness.window().findChild<QAction*>(QStringLiteral("ShowTrace"));
    ASSERT_NE(show, nullptr);
    show->trigger();
    auto* window = harness.window().findChild<TraceWindow*>();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    // At a drive's pace, ten readings a second, so that they spread over the time axis.
    for (int i = 0; i < 20; ++i) {
        const QByteArray reading = QByteArray::number(i * 500, 16).rightJustified(8, '0').toUpper();
        drive.send(reading);
        ASSERT_TRUE(harness.waitForNewest(QStringLiteral("   ") + QString::fromLatin1(reading)));
        QTest::qWait(100);
    }
    const QImage image = window->traceWidget().grab().toImage();
    const auto line = test::rowsOf(image, TraceWidget::lineColor().rgb());
    const auto first = test::firstColumn(line);
    const auto last = test::lastColumn(line);
    ASSERT_TRUE(first && last);
    // Rows count downwards: the newest reading is drawn well above the first.
    EXPECT_LT(*line[std::size_t(*last)], *line[std::size_t(*first)] - image.height() / 3.0);
    EXPECT_TRUE(harness.reports().empty());
}

} // namespace
} // namespace dravix
