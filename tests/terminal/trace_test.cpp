#include "conversion.h"
#include "simulateddrive.h"
#include "terminalsession.h"
#include "testsupport.h"
#include "tracemodel.h"
#include "tracepixels.h"
#include "tracewidget.h"
#include "tracewindow.h"
#include "windowharness.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace dravix::test {
namespace {

// A posmove on the simulated drive, watched in the trace window, which Ctrl+T opened.
class TraceOnSimulator : public ::testing::Test
{
protected:
    // 150 readings at 50 a second, then the drive stops: a move of 40 readings fits.
    SimulatedDrive m_drive{{QStringLiteral("--rate"), QStringLiteral("50"),
                            QStringLiteral("--count"), QStringLiteral("150")}};
    PortMapping m_mapping{1, m_drive.devicePath()};
    WindowHarness m_harness;

    [[nodiscard]] const TraceModel& trace()
    {
        return m_harness.window().findChild<TerminalSession*>()->trace();
    }
    [[nodiscard]] TraceWindow* openTrace()
    {
        m_harness.window().activateWindow();
        (void)QTest::qWaitForWindowActive(&m_harness.window());
        QTest::keyClick(&m_harness.window(), Qt::Key_T, Qt::ControlModifier);
        auto* window = m_harness.window().findChild<TraceWindow*>();
        // Its keys work once it is the active window, as a click on it would make it.
        if (window && !waitFor([&] { return QApplication::activeWindow() == window; }))
            return nullptr;
        return window;
    }
    [[nodiscard]] QImage picture(TraceWindow& window)
    {
        window.traceWidget().setSpan(TraceView::Span::WholeRun);
        return window.traceWidget().grab().toImage();
    }
    [[nodiscard]] std::int32_t newest() const
    {
        return readingValue(m_harness.hexList().item(0)->text().toLatin1());
    }
};

TEST_F(TraceOnSimulator, posmoveDrawsARiseAfterItsMarkAndClearEmptiesIt)
{
    ASSERT_FALSE(m_drive.devicePath().isEmpty());
    m_harness.click(m_harness.option(1));
    TraceWindow* window = openTrace();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("Position trace — Comm Port 1 (")))
        << window->windowTitle().toStdString();
    ASSERT_TRUE(waitFor([&] { return trace().size() >= 10; }));
    m_harness.click(m_harness.button("Command7"));
    ASSERT_TRUE(waitFor([&] { return newest() >= 1000; }));
    ASSERT_TRUE(waitFor([&] { return trace().size() >= 150; }));

    ASSERT_EQ(trace().marks().size(), 1U);
    EXPECT_EQ(trace().marks()[0].label, QStringLiteral("posmove"));

    const QImage image = picture(*window);
    const auto line = rowsOf(image, TraceWidget::lineColor().rgb());
    const auto mark = rowsOf(image, TraceWidget::markColor().rgb());
    const std::optional<int> start = firstColumn(line);
    ASSERT_TRUE(start.has_value());
    const int end = *lastColumn(line);
    const double flatRow = *line[std::size_t(*start)];
    // Rows count downwards: the rise ends well above where it began.
    EXPECT_LT(*line[std::size_t(end)], flatRow - image.height() / 3.0);
    std::optional<int> rise;
    for (int x = *start; x <= end && !rise; ++x)
        if (line[std::size_t(x)] && *line[std::size_t(x)] < flatRow - 2)
            rise = x;
    ASSERT_TRUE(rise.has_value());
    // Never falling on the way up: a column's line lies no lower than the one before.
    std::optional<double> previous;
    for (int x = *rise; x <= end; ++x) {
        if (!line[std::size_t(x)])
            continue;
        if (previous) {
            EXPECT_LE(*line[std::size_t(x)], *previous + 2.0) << "column " << x;
        }
        previous = line[std::size_t(x)];
    }
    const std::optional<int> markAt = firstColumn(mark);
    ASSERT_TRUE(markAt.has_value());
    EXPECT_GT(*markAt, *start);
    EXPECT_LE(*markAt, *rise);

    m_harness.click(m_harness.button("Command3"));
    ASSERT_TRUE(waitFor([&] { return trace().size() == 0; }));
    EXPECT_FALSE(firstColumn(rowsOf(picture(*window), TraceWidget::lineColor().rgb())));
    EXPECT_TRUE(m_harness.reports().empty());
}

TEST_F(TraceOnSimulator, closingAndReopeningShowsTheSameTraceAndItsCsvHoldsEveryReading)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    m_harness.click(m_harness.option(1));
    TraceWindow* window = openTrace();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitFor([&] { return trace().size() >= 5; }));
    m_harness.control<QLineEdit>("Text1")->setText(QStringLiteral("AB,12"));
    m_harness.click(m_harness.button("Command1"));
    ASSERT_TRUE(waitFor([&] { return trace().size() >= 150; }));
    window->close();
    EXPECT_EQ(openTrace(), window);
    EXPECT_TRUE(window->isVisible());

    ASSERT_EQ(QApplication::activeWindow(), window);
    // The dialog a user would fill in, answered as they would.
    const QString path = folder.filePath(QStringLiteral("run.csv"));
    QTimer::singleShot(0, window, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
    });
    QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 150 + 2); // header, rows, and nothing after the last CRLF
    EXPECT_EQ(lines.first(), "time,elapsed_s,hex,value,position\r");
    EXPECT_TRUE(lines.last().isEmpty());
    double elapsed = -1;
    QStringList hexColumn;
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        ASSERT_TRUE(lines[i].endsWith('\r')) << i;
        const QList<QByteArray> fields = lines[i].chopped(1).split(',');
        ASSERT_EQ(fields.size(), 5) << lines[i].toStdString();
        const TraceReading r = trace().reading(i - 1);
        EXPECT_EQ(fields[2], QByteArray(r.chars.data(), 8)) << i;
        EXPECT_EQ(fields[3].toInt(), r.value) << i;
        EXPECT_EQ(fields[4], formatHundredths(r.value, QStringLiteral(".")).toLatin1()) << i;
        EXPECT_GE(fields[1].toDouble(), elapsed) << i;
        elapsed = fields[1].toDouble();
        hexColumn.prepend(QStringLiteral("   ") + QString::fromLatin1(fields[2]));
    }
    // The newest ten rows are what the hexadecimal list shows.
    EXPECT_EQ(hexColumn.mid(0, 10), rowTexts(m_harness.hexList()));

    QFile commands(folder.filePath(QStringLiteral("run-commands.csv")));
    ASSERT_TRUE(commands.open(QIODevice::ReadOnly));
    const QList<QByteArray> commandLines = commands.readAll().split('\n');
    ASSERT_EQ(commandLines.size(), 3);
    EXPECT_EQ(commandLines[0], "time,elapsed_s,sent\r");
    EXPECT_TRUE(commandLines[1].endsWith(",\"SEND AB,12\"\r")) << commandLines[1].toStdString();
}

struct PictureCase
{
    const char* name;
    const char* file;
    const char* filter;
};

void PrintTo(const PictureCase& c, std::ostream* os)
{
    *os << c.name;
}

class TracePicture : public TraceOnSimulator, public testing::WithParamInterface<PictureCase>
{
};

TEST_P(TracePicture, savesWhatIsVisibleAtPrintResolution)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    m_harness.click(m_harness.option(1));
    TraceWindow* window = openTrace();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitFor([&] { return trace().size() >= 150; }));
    const QString path = folder.filePath(QString::fromLatin1(GetParam().file));
    QTimer::singleShot(0, window, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->selectNameFilter(QString::fromLatin1(GetParam().filter));
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
    });
    QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    if (path.endsWith(QStringLiteral(".pdf"))) {
        EXPECT_TRUE(bytes.startsWith("%PDF-"));
        return;
    }
    QImage image;
    ASSERT_TRUE(image.loadFromData(bytes, "PNG"));
    const QSize shown = window->traceWidget().size();
    EXPECT_EQ(image.width(), qRound(shown.width() * 300.0 / 96));
    EXPECT_EQ(image.height(), qRound(shown.height() * 300.0 / 96));
    EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, 300, 1);
    EXPECT_TRUE(firstColumn(rowsOf(image, TraceWidget::lineColor().rgb())).has_value());
}

INSTANTIATE_TEST_SUITE_P(Formats, TracePicture,
                         testing::Values(PictureCase{"Png", "trace.png", "PNG image (*.png)"},
                                         PictureCase{"Pdf", "trace.pdf", "PDF document (*.pdf)"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dravix::test
