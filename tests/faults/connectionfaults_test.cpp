// The device hangs up, another program holds the port, the window closes mid-flood.

#include "conversion.h"
#include "faultfixture.h"
#include "portdevices.h"
#include "serialport.h"

#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace dravix::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kFloodBase = 0x00A00000;
constexpr int kFloodReadings = 50000;

[[nodiscard]] QByteArray floodOf(int readings)
{
    QByteArray flood;
    flood.reserve(qsizetype(readings) * kReadingLength);
    for (int i = 0; i < readings; ++i)
        flood += readingOf(kFloodBase + std::uint32_t(i));
    return flood;
}

// Characters sent and not yet shown as readings.
[[nodiscard]] qsizetype unshown(qsizetype sent, const RowZeroRecorder& shown)
{
    return sent - qsizetype(shown.entries().size()) * kReadingLength;
}

// A device that never pauses: whenever the terminal has shown what came before, more is on
// the line. Runs until the condition, given how much went out, holds; returns that amount.
template <typename Condition>
qsizetype floodUntil(PseudoTerminal& device, const QByteArray& flood, const RowZeroRecorder& shown,
                     Condition condition)
{
    constexpr qint64 kBacklog = 4096;
    qsizetype sent = 0;
    QElapsedTimer timer;
    timer.start();
    while (!condition(sent) && sent < flood.size() && timer.elapsed() < 20000) {
        if (unshown(sent, shown) < kBacklog)
            sent += offer(device, QByteArrayView(flood).sliced(
                                      sent, std::min<qsizetype>(kBacklog, flood.size() - sent)));
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return sent;
}

class ConnectionFaults : public WindowOnPseudoTerminals
{
protected:
    // Rows still shown must be whole readings of the flood, in the order they were sent,
    // with their decimal texts.
    void expectRowsAreConsecutiveFloodReadings()
    {
        const QStringList hex = rowTexts(hexList());
        const QStringList decimal = rowTexts(decimalList());
        ASSERT_EQ(hex.size(), 10);
        ASSERT_EQ(decimal.size(), 10);
        bool ok = false;
        const std::uint32_t newest = hex.first().mid(3).toUInt(&ok, 16);
        ASSERT_TRUE(ok) << qPrintable(hex.first());
        ASSERT_GE(newest, kFloodBase + 9);
        ASSERT_LT(newest, kFloodBase + kFloodReadings);
        for (int k = 0; k < 10; ++k) {
            const QByteArray reading = readingOf(newest - std::uint32_t(k));
            EXPECT_EQ(hex[k], shownRow(reading)) << "row " << k;
            EXPECT_EQ(decimal[k], decimalOf(reading, decimalSeparator())) << "row " << k;
        }
    }
};

TEST_F(ConnectionFaults, deviceHangingUpDuringAFloodStopsOnceKeepsRowsAndGoesIdle)
{
    connectPort(1);
    QSignalSpy stopped(&portButton(1), &QRadioButton::toggled);
    RowZeroRecorder shown(hexList(), decimalList());

    const QByteArray flood = floodOf(kFloodReadings);
    // Hang up with readings shown, ten more sent and not yet shown, and more in the line.
    const qsizetype sent = floodUntil(m_pty1, flood, shown, [&](qsizetype sentSoFar) {
        return shown.entries().size() >= 2000 && unshown(sentSoFar, shown) >= 80;
    });
    ASSERT_GE(shown.entries().size(), 2000u);
    ASSERT_LT(sent, flood.size()) << "the flood ended before the hang-up";
    offer(m_pty1, QByteArrayView(flood).sliced(sent));
    m_pty1.hangUp();

    ASSERT_TRUE(stopped.wait(5000));
    // Several hang-up probes later, still one stop.
    EXPECT_FALSE(stopped.wait(600));
    EXPECT_EQ(stopped.count(), 1);
    EXPECT_TRUE(m_reports.empty());

    EXPECT_FALSE(sendButton().isEnabled());
    EXPECT_FALSE(portButton(1).isChecked());
    EXPECT_FALSE(portButton(2).isChecked());
    EXPECT_EQ(descriptorsOn(m_pty1), 0) << "the device is still held open";
    expectRowsAreConsecutiveFloodReadings();

    // Liveness, not speed: a dead descriptor polled without end would keep a core busy.
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(1000); // the span measured, not a wait for something to happen
    const double busy = (processCpuSeconds() - cpuBefore) / (double(wall.elapsed()) / 1000.0);
    EXPECT_LT(busy, 0.2) << "process still busy after the hang-up: " << busy * 100 << " %";
    EXPECT_EQ(stopped.count(), 1);
}

enum class Holder { PortObjectInThisProcess, ChildProcess };

struct HeldPortRow
{
    const char* name;
    Holder holder;
};

void PrintTo(const HeldPortRow& row, std::ostream* os)
{
    *os << row.name;
}

// Another opener of port 1, holding it until release().
class PortHolder
{
public:
    virtual ~PortHolder() = default;
    [[nodiscard]] virtual bool holding() const = 0;
    virtual void release() = 0;
};

class PortObjectHolder final : public PortHolder
{
public:
    PortObjectHolder()
    {
        m_port.setDevicePath(portDevicePath(1));
        m_port.setPortOpen(true);
    }
    [[nodiscard]] bool holding() const override { return m_port.portOpen(); }
    void release() override { m_port.setPortOpen(false); }

private:
    SerialPort m_port;
};

class ChildProcessHolder final : public PortHolder
{
public:
    ChildProcessHolder()
    {
        m_process.start(QStringLiteral(DRAVIX_PORT_HOLDER), {});
        if (m_process.waitForStarted(5000) && m_process.waitForReadyRead(5000))
            m_said = m_process.readLine().trimmed();
    }
    ~ChildProcessHolder() override
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    [[nodiscard]] bool holding() const override
    {
        return m_said == "holding" && m_process.state() == QProcess::Running;
    }
    void release() override
    {
        m_process.closeWriteChannel();
        EXPECT_TRUE(m_process.waitForFinished(5000));
        EXPECT_EQ(m_process.exitCode(), 0);
    }

private:
    QProcess m_process;
    QByteArray m_said;
};

class HeldPort : public ConnectionFaults, public ::testing::WithParamInterface<HeldPortRow>
{
};

TEST_P(HeldPort, selectionFailsQuietlyAndAClickAfterTheReleaseConnects)
{
    std::unique_ptr<PortHolder> holder;
    if (GetParam().holder == Holder::PortObjectInThisProcess)
        holder = std::make_unique<PortObjectHolder>();
    else
        holder = std::make_unique<ChildProcessHolder>();
    ASSERT_TRUE(holder->holding());

    QSignalSpy toggled(&portButton(1), &QRadioButton::toggled);
    QTest::mouseClick(&portButton(1), Qt::LeftButton);
    EXPECT_TRUE(m_reports.empty()) << "the failed selection was reported to the user";
    EXPECT_FALSE(sendButton().isEnabled());
    EXPECT_FALSE(portButton(1).isChecked());
    // Selected by the click, then unselected once by the quiet stop.
    EXPECT_EQ(toggled.count(), 2);

    holder->release();
    ASSERT_FALSE(m_pty1.locked());
    QTest::mouseClick(&portButton(1), Qt::LeftButton);
    EXPECT_TRUE(m_pty1.locked());
    EXPECT_TRUE(portButton(1).isChecked());
    EXPECT_TRUE(sendButton().isEnabled());
    const QByteArray reading = readingOf(0x1E240);
    m_pty1.write(reading);
    EXPECT_TRUE(waitFor([&] { return hexList().item(0)->text() == shownRow(reading); }));
    EXPECT_EQ(decimalList().item(0)->text(), QStringLiteral("1234") + decimalSeparator() + "56");
    EXPECT_TRUE(m_reports.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Openers, HeldPort,
    ::testing::Values(HeldPortRow{"portObjectInThisProcess", Holder::PortObjectInThisProcess},
                      HeldPortRow{"childProcess", Holder::ChildProcess}),
    [](const ::testing::TestParamInfo<HeldPortRow>& info) { return info.param.name; });

TEST_F(ConnectionFaults, aDeviceWithoutPermissionSaysHowToGetIt)
{
    // Another user's device, opened through the port layer by a program without access.
    const QByteArray slave = m_pty1.slavePath().toLocal8Bit();
    QProcess opener;
    QStringList command{QStringLiteral(DRAVIX_PORT_HOLDER)};
    if (::geteuid() == 0) {
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                              QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
                              QStringLiteral("--")} +
                  command;
        ASSERT_EQ(::chmod(slave.constData(), 0600), 0);
    } else {
        ASSERT_EQ(::chmod(slave.constData(), 0000), 0);
    }
    opener.start(command.takeFirst(), command);
    ASSERT_TRUE(opener.waitForFinished(10000));
    const QString said = QString::fromLocal8Bit(opener.readAllStandardOutput());
    EXPECT_EQ(opener.exitCode(), 1) << said.toStdString();
    EXPECT_TRUE(said.contains(m_pty1.slavePath() +
                              QStringLiteral(": permission denied; add yourself to the group "
                                             "that owns it (usually dialout")))
        << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("log out and in again"))) << said.toStdString();
}

// Counts every change to either list from the moment the window gets its close event.
class ListChangesAfterClose final : public QObject
{
public:
    ListChangesAfterClose(QWidget& window, QListWidget& hexList, QListWidget& decimalList)
    {
        window.installEventFilter(this);
        for (QListWidget* list : {&hexList, &decimalList}) {
            QAbstractItemModel* model = list->model();
            const auto count = [this] {
                if (m_closing)
                    ++m_changes;
            };
            connect(model, &QAbstractItemModel::dataChanged, this, count);
            connect(model, &QAbstractItemModel::rowsInserted, this, count);
            connect(model, &QAbstractItemModel::rowsRemoved, this, count);
            connect(model, &QAbstractItemModel::modelReset, this, count);
            connect(model, &QAbstractItemModel::layoutChanged, this, count);
        }
    }
    [[nodiscard]] int changes() const { return m_changes; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Close)
            m_closing = true;
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_closing = false;
    int m_changes = 0;
};

TEST_F(ConnectionFaults, windowClosedDuringAFloodChangesNoListAndReleasesThePort)
{
    connectPort(1);
    RowZeroRecorder shown(hexList(), decimalList());
    ListChangesAfterClose watch(m_window, hexList(), decimalList());

    const QByteArray flood = floodOf(kFloodReadings);
    // A hundred readings sent and not yet shown at the close.
    qsizetype sent = floodUntil(m_pty1, flood, shown, [&](qsizetype sentSoFar) {
        return shown.entries().size() >= 500 && unshown(sentSoFar, shown) >= 800;
    });
    ASSERT_GE(shown.entries().size(), 500u);
    ASSERT_GE(unshown(sent, shown), 800) << "no readings waiting at the close";
    const QStringList hexAtClose = rowTexts(hexList());
    const QStringList decimalAtClose = rowTexts(decimalList());

    EXPECT_TRUE(m_window.close());
    EXPECT_FALSE(m_pty1.locked());

    // The device goes on sending for a while.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 500) {
        sent += offer(m_pty1, QByteArrayView(flood).sliced(sent));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    EXPECT_EQ(watch.changes(), 0);
    EXPECT_EQ(rowTexts(hexList()), hexAtClose);
    EXPECT_EQ(rowTexts(decimalList()), decimalAtClose);
    EXPECT_TRUE(m_reports.empty());
    EXPECT_EQ(descriptorsOn(m_pty1), 0) << "the device is still held open";

    // Released: another program can take the port.
    SerialPort other;
    other.setDevicePath(portDevicePath(1));
    EXPECT_NO_THROW(other.setPortOpen(true));
    EXPECT_TRUE(other.portOpen());
}

} // namespace
} // namespace dravix::test
