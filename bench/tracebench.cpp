// trace-bench: one frame of a full position trace (1,000,000 readings) drawn 1200 px wide,
// and the memory the trace takes, on the offscreen platform; frames in the GUI thread's CPU
// time.

#include "tracemodel.h"
#include "tracewidget.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr qint64 kReadingNanos = 4'584'000; // 8 characters of 11 bits at 19200 baud

[[nodiscard]] double residentMb()
{
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

[[nodiscard]] std::int64_t threadNanos()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

[[nodiscard]] QByteArray hexOf(std::int32_t value)
{
    return QByteArray::number(static_cast<quint32>(value), 16).rightJustified(8, '0').toUpper();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const double before = residentMb();
    dravix::TraceModel trace;
    trace.startTrace(0, QDateTime::currentDateTime(), QStringLiteral("Comm Port 1 (bench)"));
    // A drive jogged back and forth: ramps of 400 readings, with a little noise.
    std::int32_t position = 0;
    for (qint64 i = 0; i < 1'100'000; ++i) {
        position += (i / 400) % 2 == 0 ? 25 : -25;
        trace.addReading(i * kReadingNanos, hexOf(position + static_cast<std::int32_t>(i % 7)));
        if (i % 50'000 == 0)
            trace.addMark(i * kReadingNanos, QStringLiteral("posmove"));
    }
    const double after = residentMb();
    std::printf("trace_readings=%lld dropped=%lld\n", static_cast<long long>(trace.size()),
                static_cast<long long>(trace.dropped()));
    std::printf("trace_memory_mb=%.1f\n", after - before);

    dravix::TraceWidget widget(trace);
    widget.resize(1200, 600);
    QImage image(widget.size(), QImage::Format_RGB32);
    for (const auto& [name, span] : {std::pair{"whole_run", dravix::TraceView::Span::WholeRun},
                                     std::pair{"last_10_min", dravix::TraceView::Span::Last10min},
                                     std::pair{"last_10_s", dravix::TraceView::Span::Last10s}}) {
        widget.setSpan(span);
        std::vector<double> ms;
        for (int frame = 0; frame < 200; ++frame) {
            // The thread's own CPU time: on a shared machine, wall time counts others' turns.
            const std::int64_t start = threadNanos();
            QPainter painter(&image);
            widget.paintTrace(painter, image.rect(), true);
            painter.end();
            ms.push_back(static_cast<double>(threadNanos() - start) / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        std::printf("frame_%s_1200px_median_ms=%.3f\n", name, ms[ms.size() / 2]);
        std::printf("frame_%s_1200px_p95_ms=%.3f\n", name, ms[ms.size() * 95 / 100]);
        std::printf("frame_%s_1200px_max_ms=%.3f\n", name, ms.back());
    }
    return 0;
}
