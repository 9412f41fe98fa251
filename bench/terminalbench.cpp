// terminal-bench: the real window on a pseudo-terminal, measured at idle, at the line rate,
// one reading at a time and in a flood, beside a busy-polling loop as the yardstick.

#include "conversion.h"
#include "mainwindow.h"
#include "ptywriter.h"
#include "tracewindow.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace dravix::bench {
namespace {

constexpr int kLineRateCharsPerSecond = 1745; // 19200 baud, 11 bits per character

[[nodiscard]] std::int64_t nanosOf(clockid_t clock)
{
    timespec now{};
    ::clock_gettime(clock, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

[[nodiscard]] std::int64_t monotonicNanos()
{
    return nanosOf(CLOCK_MONOTONIC);
}

// Process CPU (every thread of the terminal, none of the writer's) and the GUI thread's own.
struct CpuSample
{
    std::int64_t wall = monotonicNanos();
    std::int64_t process = nanosOf(CLOCK_PROCESS_CPUTIME_ID);
    std::int64_t thread = nanosOf(CLOCK_THREAD_CPUTIME_ID);
};

struct CpuShare
{
    double process;
    double guiThread;
};

[[nodiscard]] CpuShare cpuSince(const CpuSample& start)
{
    const CpuSample end;
    const double wall = static_cast<double>(end.wall - start.wall);
    return {100.0 * static_cast<double>(end.process - start.process) / wall,
            100.0 * static_cast<double>(end.thread - start.thread) / wall};
}

[[nodiscard]] double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

// The sequence number a hex row shows, when it is exactly the row of a reading as written:
// three blanks and the eight characters the writer sends for that number.
[[nodiscard]] std::optional<std::uint32_t> shownReading(QStringView row)
{
    if (row.size() != 3 + kReadingLength || !row.startsWith(u"   "))
        return std::nullopt;
    std::array<char, kReadingLength> bytes{};
    for (int i = 0; i < kReadingLength; ++i)
        bytes.at(i) = static_cast<char>(row.at(3 + i).unicode());
    const auto seq = static_cast<std::uint32_t>(readingValue(QByteArrayView(bytes)));
    if (QByteArrayView(bytes) != QByteArrayView(readingText(static_cast<std::int32_t>(seq))))
        return std::nullopt;
    return seq;
}

struct Options
{
    int idleMs = 5000;
    int lineRateSeconds = 10;
    int oneAtATimeCount = 1000;
    int floodCount = 200'000;
    int charsPerWrite = 1; // at the line rate: 1 as from a UART, more as from a batching adapter
    std::string only;      // one phase, for profiling it alone

    [[nodiscard]] bool runs(const char* phase) const { return only.empty() || only == phase; }
};

// Drives the window and watches List1's row 0: every change there is one reading shown,
// checked against the sequence the writer sent.
class TerminalBench final : public QObject
{
public:
    TerminalBench(PtyWriter& writer, PtyWriter& picocomWriter, const Options& options)
        : m_writer(writer), m_picocomWriter(picocomWriter), m_options(options)
    {
        m_hexList = m_window.findChild<QListWidget*>(QStringLiteral("List1"));
        auto* decimalList = m_window.findChild<QListWidget*>(QStringLiteral("List2"));
        m_hexList->viewport()->installEventFilter(this);
        decimalList->viewport()->installEventFilter(this);
        connect(m_hexList->model(), &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& topLeft) {
                    if (topLeft.row() == 0)
                        rowZeroChanged();
                });
        m_releaseFallback.setSingleShot(true);
        m_releaseFallback.setInterval(100);
        connect(&m_releaseFallback, &QTimer::timeout, this, &TerminalBench::releaseShown);
    }

    [[nodiscard]] bool connectPort1()
    {
        m_window.show();
        m_window.activateWindow();
        if (!QTest::qWaitForWindowExposed(&m_window))
            return false;
        // Activation runs the start-up reset; a display without a window manager may never
        // activate, which changes nothing for monitoring.
        (void)QTest::qWaitForWindowActive(&m_window, 2000);
        // The busy poll's own view of the line, taken before the terminal's open makes the
        // device exclusive.
        m_line = ::open(m_writer.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        auto* option1 = m_window.findChild<QRadioButton*>(QStringLiteral("Option1"));
        QTest::mouseClick(option1, Qt::LeftButton);
        // A port that did not open leaves its button unselected.
        return option1->isChecked();
    }

    void run()
    {
        std::printf("platform=%s\n", qPrintable(QGuiApplication::platformName()));
        std::printf("device_pixel_ratio=%.1f\n", m_window.devicePixelRatioF());
        spin(500); // settle: the first paints and the start-up reset are not idle time
        if (m_options.runs("idle"))
            measureIdle();
        if (m_options.runs("linerate"))
            measureLineRate();
        if (m_options.runs("linerate"))
            measureLineRateWithTrace();
        if (m_options.runs("latency"))
            measureLatency();
        if (m_options.runs("flood"))
            measureFlood();
        if (m_options.runs("busypoll"))
            measureBusyPoll();
        if (m_options.runs("frame"))
            measureFramePaint();

        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        report("peak_rss_mb", "%.1f", static_cast<double>(usage.ru_maxrss) / 1024.0);
        // The figures last, together, in a fixed order.
        for (const auto& [name, value] : m_results)
            std::printf("%s=%s\n", name.c_str(), value.c_str());
        std::fflush(stdout);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++m_paints;
            if (watched == m_hexList->viewport() && m_awaitingPaint) {
                m_painted[m_awaitingPaint->index] = monotonicNanos();
                releaseShown();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void measureIdle()
    {
        const CpuSample start;
        spin(m_options.idleMs);
        const CpuShare idle = cpuSince(start);
        std::printf("idle_gui_thread_cpu_percent=%.3f\n", idle.guiThread);
        report("idle_cpu_percent", "%.3f", idle.process);
    }

    // picocom, the plain terminal people keep beside this one, in tmux on a pseudo-terminal
    // of its own, is fed the same paced stream over the same span: both see the same load
    // on the machine, so their ratio holds even where the machine's speed wanders.
    void measureLineRate()
    {
        const int count = m_options.lineRateSeconds * kLineRateCharsPerSecond / kReadingLength;
        const std::optional<Picocom> picocom = startPicocom();
        m_paints = 0;
        const CpuSample start;
        const std::int64_t picocomBefore = picocom ? processTicks(picocom->pid) : 0;
        const std::int64_t tmuxBefore = picocom ? processTicks(picocom->serverPid) : 0;
        if (picocom)
            m_picocomWriter.start(PtyWriter::Mode::LineRate, m_next, count, kLineRateCharsPerSecond,
                                  m_options.charsPerWrite);
        // A reading still missing two seconds after the writer's end counts as lost, and the
        // CPU share is not diluted by waiting for it.
        const int lost =
            runPhase(PtyWriter::Mode::LineRate, count, m_options.lineRateSeconds * 1000 + 2000);
        const CpuShare cpu = cpuSince(start);
        const double seconds = static_cast<double>(monotonicNanos() - start.wall) / 1e9;
        (void)m_writer.waitDone();
        std::printf("linerate_gui_thread_cpu_percent=%.3f\n", cpu.guiThread);
        std::printf("linerate_list_paints_per_s=%.1f\n", static_cast<double>(m_paints) / seconds);
        report("linerate_cpu_percent", "%.3f", cpu.process);
        m_lineRateCpu = cpu.process;
        report("linerate_lost_readings", "%d", lost);
        if (!picocom) {
            std::printf("picocom_linerate_cpu_percent=unavailable (needs picocom and tmux)\n");
            return;
        }
        (void)m_picocomWriter.waitDone();
        const auto percentSince = [seconds](long pid, std::int64_t before) {
            return 100.0 * static_cast<double>(processTicks(pid) - before) /
                   static_cast<double>(::sysconf(_SC_CLK_TCK)) / seconds;
        };
        const double picocomCpu = percentSince(picocom->pid, picocomBefore);
        const double tmuxCpu = percentSince(picocom->serverPid, tmuxBefore);
        (void)std::system(("tmux kill-session -t " + picocom->session + " 2>/dev/null").c_str());
        spin(200);
        // tmux draws what picocom prints, as this terminal draws its lists: shown for context.
        std::printf("tmux_server_linerate_cpu_percent=%.3f\n", tmuxCpu);
        report("picocom_linerate_cpu_percent", "%.3f", picocomCpu);
        if (picocomCpu > 0)
            report("linerate_ratio_to_picocom", "%.2f", cpu.process / picocomCpu);
    }

    // The same paced stream again with the position trace open and following, in the same
    // run as the one without it, so the ratio holds on a machine whose speed wanders.
    void measureLineRateWithTrace()
    {
        auto* show = m_window.findChild<QAction*>(QStringLiteral("ShowTrace"));
        if (!show)
            return;
        show->trigger();
        auto* trace = m_window.findChild<TraceWindow*>();
        if (!trace || !QTest::qWaitForWindowExposed(trace))
            return;
        spin(500);
        const int count = m_options.lineRateSeconds * kLineRateCharsPerSecond / kReadingLength;
        const CpuSample start;
        const int lost =
            runPhase(PtyWriter::Mode::LineRate, count, m_options.lineRateSeconds * 1000 + 2000);
        const CpuShare cpu = cpuSince(start);
        (void)m_writer.waitDone();
        trace->close();
        spin(200);
        std::printf("linerate_trace_gui_thread_cpu_percent=%.3f\n", cpu.guiThread);
        report("linerate_trace_open_cpu_percent", "%.3f", cpu.process);
        report("linerate_trace_open_lost_readings", "%d", lost);
        if (m_lineRateCpu > 0)
            report("linerate_trace_open_ratio", "%.2f", cpu.process / m_lineRateCpu);
    }

    struct Picocom
    {
        std::string session;
        long pid;
        long serverPid;
    };

    [[nodiscard]] std::optional<Picocom> startPicocom()
    {
        Picocom picocom{"dravix-bench-" + std::to_string(::getpid()), -1, -1};
        const std::string start = "tmux new-session -d -s " + picocom.session +
                                  " -x 100 -y 30 'exec picocom --quiet -b 19200 -y o -d 8 -p 1 " +
                                  m_picocomWriter.slavePath() + "' 2>/dev/null";
        if (std::system(start.c_str()) != 0)
            return std::nullopt;
        spin(1000); // picocom opens the port and settles
        const std::string ask = "tmux display-message -p -t " + picocom.session;
        picocom.pid = firstNumberOf(ask + " '#{pane_pid}'");
        picocom.serverPid = firstNumberOf(ask + " '#{pid}'");
        if (picocom.pid <= 0 || picocom.serverPid <= 0)
            return std::nullopt;
        return picocom;
    }

    [[nodiscard]] static long firstNumberOf(const std::string& command)
    {
        FILE* out = ::popen(command.c_str(), "r");
        long value = -1;
        if (out) {
            if (std::fscanf(out, "%ld", &value) != 1)
                value = -1;
            ::pclose(out);
        }
        return value;
    }

    // utime + stime of a process, in clock ticks.
    [[nodiscard]] static std::int64_t processTicks(long pid)
    {
        FILE* stat = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
        if (!stat)
            return 0;
        char buffer[1024] = {};
        const size_t got = std::fread(buffer, 1, sizeof buffer - 1, stat);
        std::fclose(stat);
        buffer[got] = '\0';
        // Fields after the command name, which ends with the last ')': utime and stime are
        // the 12th and 13th of them.
        const char* rest = std::strrchr(buffer, ')');
        long long fields[13] = {};
        char state = 0;
        if (!rest ||
            std::sscanf(rest + 1, " %c %lld %lld %lld %lld %lld %lld %lld %lld %lld %lld %lld %lld",
                        &state, &fields[0], &fields[1], &fields[2], &fields[3], &fields[4],
                        &fields[5], &fields[6], &fields[7], &fields[8], &fields[9], &fields[10],
                        &fields[11]) != 13)
            return 0;
        return fields[10] + fields[11];
    }

    void measureLatency()
    {
        const int count = m_options.oneAtATimeCount;
        m_shown.assign(static_cast<std::size_t>(count), -1);
        m_painted = m_shown;
        const int lost = runPhase(PtyWriter::Mode::OneAtATime, count, count * 100);
        const std::vector<std::int64_t> written = m_writer.waitDone();
        std::vector<double> shownMs;
        std::vector<double> paintedMs;
        for (std::size_t i = 0; i < written.size() && i < m_shown.size(); ++i) {
            if (m_shown[i] >= 0)
                shownMs.push_back(static_cast<double>(m_shown[i] - written[i]) / 1e6);
            if (m_painted[i] >= 0)
                paintedMs.push_back(static_cast<double>(m_painted[i] - written[i]) / 1e6);
        }
        m_shown.clear();
        spin(200);
        std::printf("latency_lost_readings=%d\n", lost);
        std::printf("latency_max_ms=%.3f\n", percentile(shownMs, 1.0));
        std::printf("latency_paint_p50_ms=%.3f\n", percentile(paintedMs, 0.50));
        std::printf("latency_paint_p99_ms=%.3f\n", percentile(paintedMs, 0.99));
        report("latency_p50_ms", "%.3f", percentile(shownMs, 0.50));
        report("latency_p99_ms", "%.3f", percentile(shownMs, 0.99));
    }

    void measureFlood()
    {
        const std::int64_t start = monotonicNanos();
        const int lost = runPhase(PtyWriter::Mode::Flood, m_options.floodCount, 300'000);
        const double seconds = static_cast<double>(m_lastShownAt - start) / 1e9;
        (void)m_writer.waitDone();
        spin(200);
        report("flood_readings_per_s", "%.0f", m_options.floodCount / seconds);
        report("flood_lost_readings", "%d", lost);
    }

    void measureBusyPoll()
    {
        const CpuSample start;
        busyPoll(m_options.idleMs);
        report("busy_poll_cpu_percent", "%.3f", cpuSince(start).process);
    }

    // What one display frame costs the GUI thread: both lists painted, with ten readings
    // shown and none new (a frame at the line rate also lays out three or four new texts).
    void measureFramePaint()
    {
        (void)runPhase(PtyWriter::Mode::Flood, 10, 2000);
        (void)m_writer.waitDone();
        spin(100); // the paint limiter lets the lists paint again
        QWidget* hex = m_hexList->viewport();
        QWidget* decimal = m_window.findChild<QListWidget*>(QStringLiteral("List2"))->viewport();
        constexpr int kFrames = 2000;
        const auto paintsBefore = m_paints;
        const CpuSample start;
        for (int i = 0; i < kFrames; ++i) {
            hex->repaint();
            decimal->repaint();
        }
        const std::int64_t cpu = nanosOf(CLOCK_THREAD_CPUTIME_ID) - start.thread;
        const long paints = static_cast<long>(m_paints - paintsBefore);
        std::printf("frame_paints=%ld\n", paints);
        // A held paint limiter turns repaint() into nothing; that is no frame to time.
        if (paints == 2L * kFrames)
            report("frame_paint_us", "%.1f", static_cast<double>(cpu) / kFrames / 1e3);
        else
            std::fprintf(stderr, "frame: %ld of %d paints happened; not timed\n", paints,
                         2 * kFrames);
    }

    template <typename Value> void report(const char* name, const char* format, Value value)
    {
        char text[64];
        std::snprintf(text, sizeof text, format, value);
        m_results.emplace_back(name, text);
    }

    struct Pending
    {
        std::size_t index;
        std::uint32_t seq;
    };

    // Writes `count` readings in `mode` and runs the window until the last one is shown;
    // returns how many of them were never shown, or shown wrong.
    int runPhase(PtyWriter::Mode mode, int count, int timeoutMs)
    {
        m_mode = mode;
        m_first = m_next;
        m_count = count;
        m_next += static_cast<std::uint32_t>(count);
        m_seen.assign(static_cast<std::size_t>(count), false);
        m_seenCount = 0;
        m_wrong = 0;
        m_writer.start(mode, m_first, count, kLineRateCharsPerSecond, m_options.charsPerWrite);

        QEventLoop loop;
        m_loop = &loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
        m_loop = nullptr;
        return count - m_seenCount + m_wrong;
    }

    void rowZeroChanged()
    {
        const QString text = m_hexList->item(0)->text();
        if (text.isEmpty() || m_count == 0)
            return; // the empty rows of a reset
        const auto now = monotonicNanos();
        const std::optional<std::uint32_t> seq = shownReading(text);
        const std::uint32_t index = seq ? *seq - m_first : 0;
        if (!seq || index >= static_cast<std::uint32_t>(m_count) || m_seen[index]) {
            ++m_wrong;
            return;
        }
        m_seen[index] = true;
        ++m_seenCount;
        m_lastShownAt = now;
        if (m_mode == PtyWriter::Mode::OneAtATime) {
            m_shown[index] = now;
            m_awaitingPaint = Pending{index, *seq};
            m_releaseFallback.start();
        }
        if (index + 1 == static_cast<std::uint32_t>(m_count) && m_loop)
            m_loop->quit();
    }

    // The next reading goes once this one is on screen (or painting failed to come).
    void releaseShown()
    {
        if (!m_awaitingPaint)
            return;
        m_releaseFallback.stop();
        m_writer.release(m_awaitingPaint->seq);
        m_awaitingPaint.reset();
    }

    void spin(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }

    // The yardstick only: a monitor that asks the port without pause and yields to events.
    void busyPoll(int ms)
    {
        QElapsedTimer timer;
        timer.start();
        qint64 waiting = 0;
        while (timer.elapsed() < ms) {
            int count = 0;
            if (::ioctl(m_line, FIONREAD, &count) == 0)
                waiting += count;
            QCoreApplication::processEvents();
        }
        if (waiting != 0)
            std::printf("busy_poll_saw_characters=%lld\n", static_cast<long long>(waiting));
    }

    PtyWriter& m_writer;
    PtyWriter& m_picocomWriter;
    const Options m_options;
    MainWindow m_window;
    QListWidget* m_hexList = nullptr;
    QEventLoop* m_loop = nullptr;
    QTimer m_releaseFallback;
    int m_line = -1;

    PtyWriter::Mode m_mode = PtyWriter::Mode::LineRate;
    std::uint32_t m_next = 0xFFFF'F000; // starts negative and crosses zero on the way
    std::uint32_t m_first = 0;
    int m_count = 0;
    std::vector<bool> m_seen;
    int m_seenCount = 0;
    int m_wrong = 0;
    std::int64_t m_lastShownAt = 0;
    long m_paints = 0;
    double m_lineRateCpu = 0;

    std::vector<std::int64_t> m_shown;
    std::vector<std::int64_t> m_painted;
    std::optional<Pending> m_awaitingPaint;
    std::vector<std::pair<std::string, std::string>> m_results;
};

} // namespace
} // namespace dravix::bench

int main(int argc, char** argv)
{
    using namespace dravix::bench;
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            options.idleMs = 2000;
            options.lineRateSeconds = 3;
            options.oneAtATimeCount = 300;
            options.floodCount = 50'000;
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            options.only = argv[++i];
        } else if (std::strcmp(argv[i], "--chars-per-write") == 0 && i + 1 < argc) {
            options.charsPerWrite = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr,
                         "usage: %s [--quick] [--only idle|linerate|latency|flood|frame|busypoll]"
                         " [--chars-per-write N]\n",
                         argv[0]);
            return 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    PtyWriter writer; // forks, so before QApplication starts any thread
    PtyWriter picocomWriter;
    qputenv("DRAVIX_PORT1", QByteArray::fromStdString(writer.slavePath()));

    QApplication app(argc, argv);
    TerminalBench bench(writer, picocomWriter, options);
    if (!bench.connectPort1()) {
        std::fprintf(stderr, "could not open %s through Option1\n", writer.slavePath().c_str());
        return 1;
    }
    bench.run();
    return 0;
}
