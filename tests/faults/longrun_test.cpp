// Long runs: a million readings, ten thousand port switches and ten thousand clears, each
// watched for lost readings and for memory that keeps growing.

#include "conversion.h"
#include "faultfixture.h"
#include "serialport.h"
#include "tracemodel.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <iostream>

namespace dravix::test {
namespace {

using namespace std::chrono_literals;

constexpr int kLongRunReadings = DRAVIX_LONG_RUN_READINGS;
constexpr int kBatchReadings = 10000;
constexpr int kRepetitions = 10000;
constexpr int kWarmUpRepetitions = 1000;
// Generous: allocator slack and Qt's caches may move a little; a leak per reading, switch or
// clear moves far more over these counts.
constexpr qint64 kAllowedGrowth = 8 * 1024 * 1024;
// The position trace keeps the newest million readings, 20 bytes each, by design.
constexpr qint64 kTraceBound = qint64{TraceModel::kDefaultCapacity} * 20;

class LongRuns : public WindowOnPseudoTerminals
{
protected:
    [[nodiscard]] bool newestIs(const QByteArray& reading)
    {
        return hexList().count() > 0 && hexList().item(0)->text() == shownRow(reading);
    }
    // The reading shown, and the half of the next one after it taken from the line.
    [[nodiscard]] bool shownWithHalfTaken(PseudoTerminal& device, const QByteArray& reading)
    {
        return newestIs(reading) && device.unread() == 0;
    }
};

TEST_F(LongRuns, millionReadingsNoneLostAndMemoryFlat)
{
    connectPort(1);
    // Readings count up, so each one must show as exactly the next in row 0.
    std::uint32_t next = 0;
    int mismatches = 0;
    QString firstMismatch;
    QObject context;
    QObject::connect(hexList().model(), &QAbstractItemModel::dataChanged, &context,
                     [&](const QModelIndex& topLeft) {
                         if (topLeft.row() != 0)
                             return;
                         const QString row0 = hexList().item(0)->text();
                         if (row0 == shownRow(readingOf(next))) {
                             ++next;
                         } else if (mismatches++ == 0) {
                             firstMismatch = QStringLiteral("expected %1, shown '%2'")
                                                 .arg(QString::fromLatin1(readingOf(next)), row0);
                         }
                     });

    QElapsedTimer timer;
    timer.start();
    qint64 memoryAfterFirstBatch = 0;
    for (int batch = 0; batch * kBatchReadings < kLongRunReadings; ++batch) {
        QByteArray bytes;
        bytes.reserve(kBatchReadings * 8);
        const std::uint32_t first = std::uint32_t(batch) * kBatchReadings;
        for (std::uint32_t i = first; i < first + kBatchReadings; ++i)
            bytes += readingOf(i);
        m_pty1.write(bytes);
        ASSERT_TRUE(waitFor([&] { return next >= first + kBatchReadings || mismatches > 0; }, 120s))
            << "batch " << batch << ": " << next << " readings shown";
        ASSERT_EQ(mismatches, 0) << qPrintable(firstMismatch);
        if (batch == 0)
            memoryAfterFirstBatch = memoryInUse();
    }
    ASSERT_TRUE(m_pty1.waitUntilRead());
    const qint64 memoryAtEnd = memoryInUse();
    std::cout << "[ info ] " << kLongRunReadings << " readings in " << timer.elapsed()
              << " ms; memory " << memoryAfterFirstBatch / 1024 << " KiB after " << kBatchReadings
              << ", " << memoryAtEnd / 1024 << " KiB at the end\n";

    EXPECT_EQ(next, std::uint32_t(kLongRunReadings));
    EXPECT_EQ(mismatches, 0) << qPrintable(firstMismatch);
    EXPECT_TRUE(newestIs(readingOf(kLongRunReadings - 1)));
    EXPECT_LT(memoryAtEnd - memoryAfterFirstBatch, kAllowedGrowth + kTraceBound);
    EXPECT_TRUE(m_reports.empty());
}

TEST_F(LongRuns, tenThousandPortSwitchesEachLeaveEmptyRowsAndAFreshHistory)
{
    connectPort(1);
    int active = 1;
    qint64 memoryAfterWarmUp = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kRepetitions; ++i) {
        // The device on the active port streams: a reading, and half of the next.
        const QByteArray reading = readingOf(std::uint32_t(i));
        device(active).write(reading + "JUNK");
        ASSERT_TRUE(waitFor([&] { return shownWithHalfTaken(device(active), reading); }))
            << "switch " << i << ": reading on port " << active << " not shown alone";

        const int other = 3 - active;
        QTest::mouseClick(&portButton(other), Qt::LeftButton);
        ASSERT_TRUE(device(other).locked()) << "switch " << i;
        ASSERT_FALSE(device(active).locked()) << "switch " << i;
        ASSERT_TRUE(portButton(other).isChecked()) << "switch " << i;
        ASSERT_FALSE(portButton(active).isChecked()) << "switch " << i;
        ASSERT_TRUE(sendButton().isEnabled()) << "switch " << i;
        ASSERT_EQ(rowTexts(hexList()), emptyRows()) << "switch " << i;
        ASSERT_EQ(rowTexts(decimalList()), emptyRows()) << "switch " << i;
        active = other;
        if (i + 1 == kWarmUpRepetitions)
            memoryAfterWarmUp = memoryInUse();
    }
    const qint64 memoryAtEnd = memoryInUse();
    std::cout << "[ info ] " << kRepetitions << " switches in " << timer.elapsed() << " ms; memory "
              << memoryAfterWarmUp / 1024 << " KiB after " << kWarmUpRepetitions << ", "
              << memoryAtEnd / 1024 << " KiB at the end\n";
    EXPECT_LT(memoryAtEnd - memoryAfterWarmUp, kAllowedGrowth);
    EXPECT_TRUE(m_reports.empty());
}

TEST_F(LongRuns, tenThousandClearsDuringAStreamEachLeaveEmptyRowsAndDropWaitingCharacters)
{
    connectPort(1);
    qint64 memoryAfterWarmUp = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kRepetitions; ++i) {
        // A reading that lines up only if the last clear dropped the half reading before it.
        const QByteArray reading = readingOf(std::uint32_t(i) * 0x10001U);
        m_pty1.write(reading + "JUNK");
        ASSERT_TRUE(waitFor([&] { return shownWithHalfTaken(m_pty1, reading); }))
            << "clear " << i << ": reading not shown alone";

        QTest::mouseClick(&clearButton(), Qt::LeftButton);
        ASSERT_TRUE(waitFor([&] { return rowTexts(hexList()) == emptyRows(); }))
            << "clear " << i << " not carried out";
        ASSERT_EQ(rowTexts(decimalList()), emptyRows()) << "clear " << i;
        ASSERT_TRUE(m_pty1.locked()) << "clear " << i;
        if (i + 1 == kWarmUpRepetitions)
            memoryAfterWarmUp = memoryInUse();
    }
    const qint64 memoryAtEnd = memoryInUse();
    std::cout << "[ info ] " << kRepetitions << " clears in " << timer.elapsed() << " ms; memory "
              << memoryAfterWarmUp / 1024 << " KiB after " << kWarmUpRepetitions << ", "
              << memoryAtEnd / 1024 << " KiB at the end\n";
    EXPECT_LT(memoryAtEnd - memoryAfterWarmUp, kAllowedGrowth);
    EXPECT_TRUE(m_reports.empty());
}

} // namespace
} // namespace dravix::test
