// Drawn with QPainter, not a chart library: Qt Charts and Qt Graphs are GPL (or commercial)
// outside Qt's LGPL modules, QCustomPlot is GPL, and Qwt for Qt 6 is in neither Debian 12 nor
// 13; while this program's licence is undecided, none of them can be taken.

#include "tracewidget.h"

#include "conversion.h"
#include "roundticks.h"
#include "tracemodel.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

namespace dravix {
namespace {
constexpr double kNanosPerSecond = 1e9;
constexpr qint64 kNanosPerMilli = 1'000'000;
constexpr int kFontPixels = 12;
constexpr int kTickLength = 4;
// A wheel notch narrows the time axis to this share.
// Every third screen frame, 20 a second: even the 10 s span moves only 6 px in that time.
// Painting every frame took the terminal at the line rate to 1.75 times its CPU without the
// trace, every second frame to 1.3 to 1.55 times.
constexpr int kFramesPerPaint = 3;
constexpr double kZoomPerNotch = 0.8;

[[nodiscard]] QFont traceFont(const QFont& base)
{
    // Pixel sizes, so the picture and the PDF page keep the screen's proportions.
    QFont font(base);
    font.setPixelSize(kFontPixels);
    return font;
}

const QColor kGridColor(224, 224, 224);
const QColor kTextColor(48, 48, 48);

// Where the trace is drawn: the plot's rectangle, its time range and its position range
// (in hundredths, as values are).
struct Frame
{
    QRect plot;
    TimeRange range;
    double low = 0;
    double high = 1;
    QFontMetrics metrics;

    [[nodiscard]] double xOf(qint64 nanos) const
    {
        const auto width = static_cast<double>(std::max<qint64>(range.width(), 1));
        return plot.left() + static_cast<double>(nanos - range.from) / width * plot.width();
    }
    [[nodiscard]] double yOf(double value) const
    {
        return plot.bottom() - (value - low) / (high - low) * plot.height();
    }
};

// The position range fitted to the visible readings, with a margin; empty when none is.
[[nodiscard]] std::optional<std::pair<double, double>>
fittedValues(const std::vector<TraceColumn>& columns)
{
    std::optional<std::pair<double, double>> fitted;
    for (const TraceColumn& c : columns) {
        if (c.count == 0)
            continue;
        const auto low = static_cast<double>(c.min);
        const auto high = static_cast<double>(c.max);
        fitted = fitted ? std::pair{std::min(fitted->first, low), std::max(fitted->second, high)}
                        : std::pair{low, high};
    }
    return fitted;
}

// Grid, ticks and labels: seconds since the run started across, position up.
void drawAxes(QPainter& painter, const Frame& f)
{
    const QLocale locale;
    const QRect& plot = f.plot;
    const RoundTicks timeTicks = roundTicks(static_cast<double>(f.range.from) / kNanosPerSecond,
                                            static_cast<double>(f.range.to) / kNanosPerSecond,
                                            std::max(2, plot.width() / 90));
    const RoundTicks positionTicks =
        roundTicks(f.low / 100, f.high / 100, std::max(2, plot.height() / 40));
    const auto xOfSeconds = [&f](double s) {
        return f.xOf(static_cast<qint64>(std::llround(s * kNanosPerSecond)));
    };

    painter.setPen(QPen(kGridColor, 1));
    for (const double s : timeTicks.values)
        painter.drawLine(QPointF(xOfSeconds(s), plot.top()), QPointF(xOfSeconds(s), plot.bottom()));
    for (const double p : positionTicks.values)
        painter.drawLine(QPointF(plot.left(), f.yOf(p * 100)),
                         QPointF(plot.right(), f.yOf(p * 100)));

    painter.setPen(QPen(kTextColor, 1));
    painter.drawRect(plot);
    for (const double s : timeTicks.values) {
        const double x = xOfSeconds(s);
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + kTickLength));
        const QString text = locale.toString(s, 'f', timeTicks.decimals);
        painter.drawText(QPointF(x - f.metrics.horizontalAdvance(text) / 2.0,
                                 plot.bottom() + kTickLength + f.metrics.ascent() + 2),
                         text);
    }
    for (const double p : positionTicks.values) {
        const double y = f.yOf(p * 100);
        painter.drawLine(QPointF(plot.left() - kTickLength, y), QPointF(plot.left(), y));
        const QString text = locale.toString(p, 'f', positionTicks.decimals);
        painter.drawText(QPointF(plot.left() - kTickLength - 2 - f.metrics.horizontalAdvance(text),
                                 y + f.metrics.ascent() / 2.0 - 1),
                         text);
    }
}

// Where each command's bytes went out, labelled with what was sent.
void drawMarks(QPainter& painter, const Frame& f, const std::vector<TraceMark>& marks)
{
    painter.setPen(QPen(TraceWidget::markColor(), 1, Qt::DashLine));
    for (const TraceMark& mark : marks) {
        if (mark.nanos < f.range.from || mark.nanos > f.range.to)
            continue;
        const double x = f.xOf(mark.nanos);
        painter.drawLine(QPointF(x, f.plot.top()), QPointF(x, f.plot.bottom()));
        painter.drawText(QPointF(x + 3, f.plot.top() + f.metrics.ascent() + 2), mark.label);
    }
}

// One vertical stroke per column from its minimum to its maximum, joined to the next.
void drawLine(QPainter& painter, const Frame& f, const std::vector<TraceColumn>& columns)
{
    std::vector<QLineF> lines;
    lines.reserve(columns.size() * 2);
    std::optional<QPointF> previous;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const TraceColumn& col = columns[c];
        if (col.count == 0)
            continue;
        // Whole pixels from just inside the left border: a one-pixel pen at x.5 lands on the
        // pixel to its right, which put the newest column past the right border, unseen.
        const double x = f.plot.left() + 1.0 + static_cast<double>(c);
        if (previous)
            lines.emplace_back(*previous, QPointF(x, f.yOf(col.first)));
        lines.emplace_back(QPointF(x, f.yOf(col.min)), QPointF(x, f.yOf(col.max)));
        previous = QPointF(x, f.yOf(col.last));
    }
    // One pixel: a wider pen goes through the stroker, which more than doubled a full
    // trace's frame (5.7 ms against 2.4 ms at 1200 px).
    painter.setPen(QPen(TraceWidget::lineColor(), 1));
    painter.drawLines(lines.data(), static_cast<int>(lines.size()));
}
} // namespace

TraceWidget::TraceWidget(const TraceModel& trace, QWidget* parent) : QWidget(parent), m_trace(trace)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(360, 220);
    m_frameTimer.setSingleShot(true);
    connect(&m_frameTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    connect(&m_trace, &TraceModel::changed, this, &TraceWidget::scheduleRepaint);
    connect(&m_trace, &TraceModel::traceStarted, this, [this] {
        m_pointed.reset();
        Q_EMIT pointerReading(QString());
        update();
    });
}

qint64 TraceWidget::firstTime() const
{
    // The run's start until readings were dropped, then the oldest kept.
    return m_trace.dropped() > 0 ? m_trace.nanosAt(0) : 0;
}

qint64 TraceWidget::lastTime() const
{
    return m_trace.size() > 0 ? m_trace.nanosAt(m_trace.size() - 1) : 0;
}

TimeRange TraceWidget::shownRange() const
{
    return m_view.range(firstTime(), lastTime());
}

void TraceWidget::setSpan(TraceView::Span span)
{
    const bool was = following();
    m_view.setSpan(span);
    changeView(was);
}

void TraceWidget::follow()
{
    const bool was = following();
    m_view.follow();
    changeView(was);
}

void TraceWidget::changeView(bool wasFollowing)
{
    if (wasFollowing != following())
        Q_EMIT followingChanged(following());
    update();
}

void TraceWidget::scheduleRepaint()
{
    // At most one paint per paint interval, however fast readings come, and none before
    // the time of a pixel column has passed: the last minute across 800 px moves a column
    // every 75 ms. A second at most, so a long trace still visibly grows.
    if (!isVisible())
        return;
    if (m_frameTimer.isActive())
        return;
    const qint64 columnMs =
        shownRange().width() / std::max(1, plotArea(rect()).width()) / kNanosPerMilli;
    const qint64 interval = std::max<qint64>(m_frameMs, std::min<qint64>(columnMs, 1000));
    const qint64 elapsed = m_sincePaint.isValid() ? m_sincePaint.elapsed() : interval;
    if (elapsed >= interval)
        update();
    else
        m_frameTimer.start(static_cast<int>(interval - elapsed));
}

QRect TraceWidget::plotArea(const QRect& area) const
{
    const QFontMetrics metrics(traceFont(font()));
    const int line = metrics.height();
    const int left = metrics.horizontalAdvance(QStringLiteral("-00000000.00")) + 2 * kTickLength;
    return area.adjusted(left, 2 * line, -line, -(2 * line + 2 * kTickLength));
}

void TraceWidget::paintEvent(QPaintEvent* /*event*/)
{
    m_sincePaint.start();
    if (const QScreen* s = screen(); s && s->refreshRate() > 1)
        m_frameMs = std::max(1, static_cast<int>(kFramesPerPaint * 1000.0 / s->refreshRate()));
    QPainter painter(this);
    paintTrace(painter, rect(), true);
}

void TraceWidget::paintTrace(QPainter& painter, const QRect& area, bool withPointer) const
{
    const QFont font = traceFont(this->font());
    painter.setFont(font);
    painter.fillRect(area, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, false);
    Frame f{plotArea(area), shownRange(), 0, 1, QFontMetrics(font)};
    if (f.plot.width() < 2 || f.plot.height() < 2)
        return;
    const std::vector<TraceColumn> columns =
        m_trace.reduce(f.range.from, f.range.to, f.plot.width() - 1);
    // The position axis fitted to what is visible; a flat line gets a band of 2.0 around it.
    const auto fitted = fittedValues(columns);
    std::tie(f.low, f.high) = fitted.value_or(std::pair{0.0, 0.0});
    if (f.high - f.low < 1) {
        f.low -= 100;
        f.high += 100;
    }
    const double margin = (f.high - f.low) * 0.05;
    f.low -= margin;
    f.high += margin;

    drawAxes(painter, f);
    const QFontMetrics& metrics = f.metrics;
    const QString timeTitle = QStringLiteral("seconds since the run started");
    painter.drawText(QPointF(f.plot.center().x() - metrics.horizontalAdvance(timeTitle) / 2.0,
                             area.bottom() - metrics.descent()),
                     timeTitle);
    painter.drawText(QPointF(area.left() + 4, f.plot.top() - metrics.descent() - 4),
                     QStringLiteral("position"));
    if (m_trace.dropped() > 0 && m_trace.size() > 0) {
        const double minutes =
            static_cast<double>(lastTime() - m_trace.nanosAt(0)) / kNanosPerSecond / 60;
        const QString note =
            QStringLiteral("showing the last %1 min").arg(std::max(1LL, std::llround(minutes)));
        painter.drawText(QPointF(f.plot.right() - metrics.horizontalAdvance(note),
                                 f.plot.top() - metrics.descent() - 4),
                         note);
    }
    if (!fitted)
        painter.drawText(f.plot, Qt::AlignCenter, QStringLiteral("No readings in this range yet"));
    if (!withPointer) {
        // A picture leaves the window behind: it names the port and when the run began.
        const QString caption = QStringLiteral("%1, %2").arg(
            m_trace.source(), QLocale().toString(m_trace.startWallTime(), QLocale::ShortFormat));
        painter.drawText(QPointF(f.plot.center().x() - metrics.horizontalAdvance(caption) / 2.0,
                                 f.plot.top() - metrics.descent() - 4),
                         caption);
    }

    painter.save();
    painter.setClipRect(f.plot.adjusted(1, 1, 0, 0));
    drawMarks(painter, f, m_trace.marks());
    drawLine(painter, f, columns);
    if (withPointer && m_pointed && *m_pointed < m_trace.size()) {
        const TraceReading r = m_trace.reading(*m_pointed);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(kTextColor, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(f.xOf(r.nanos), f.yOf(r.value)), 4, 4);
    }
    painter.restore();
}

void TraceWidget::wheelEvent(QWheelEvent* event)
{
    const QRect plot = plotArea(rect());
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0 || plot.width() < 2)
        return;
    const bool was = following();
    const double anchor =
        std::clamp((event->position().x() - plot.left()) / plot.width(), 0.0, 1.0);
    m_view.zoom(firstTime(), lastTime(), anchor, std::pow(kZoomPerNotch, notches));
    changeView(was);
    event->accept();
}

void TraceWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragX = event->position().x();
}

void TraceWidget::mouseMoveEvent(QMouseEvent* event)
{
    const double x = event->position().x();
    if (m_dragX && (event->buttons() & Qt::LeftButton)) {
        const QRect plot = plotArea(rect());
        const double dx = x - *m_dragX;
        if (dx != 0 && plot.width() > 1) {
            const bool was = following();
            const auto nanos = static_cast<qint64>(
                std::llround(-dx * static_cast<double>(shownRange().width()) / plot.width()));
            m_view.pan(firstTime(), lastTime(), nanos);
            m_dragX = x;
            changeView(was);
        }
    }
    pointAt(x);
}

void TraceWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragX.reset();
}

void TraceWidget::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    m_pointed.reset();
    Q_EMIT pointerReading(QString());
    update();
}

void TraceWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_End) {
        follow();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TraceWidget::pointAt(double x)
{
    const QRect plot = plotArea(rect());
    const TimeRange range = shownRange();
    const double fraction = std::clamp((x - plot.left()) / plot.width(), 0.0, 1.0);
    const auto at = range.from + static_cast<qint64>(
                                     std::llround(fraction * static_cast<double>(range.width())));
    m_pointed = m_trace.nearest(at);
    if (!m_pointed) {
        Q_EMIT pointerReading(QString());
        return;
    }
    const TraceReading r = m_trace.reading(*m_pointed);
    const QLocale locale;
    Q_EMIT pointerReading(
        QStringLiteral("%1 s   %2   %3")
            .arg(locale.toString(static_cast<double>(r.nanos) / kNanosPerSecond, 'f', 3),
                 QString::fromLatin1(r.chars.data(), qsizetype(r.chars.size())),
                 formatHundredths(r.value, locale.decimalPoint())));
    update();
}

} // namespace dravix
