#include "traceview.h"

#include <algorithm>
#include <cmath>

namespace dravix {
namespace {
constexpr qint64 kSecond = 1'000'000'000;
// Narrower than a reading's interval is of no use; wider than days neither.
constexpr qint64 kNarrowest = 1'000'000;
constexpr qint64 kWidest = qint64{7} * 24 * 3600 * kSecond;

[[nodiscard]] qint64 spanNanos(TraceView::Span span)
{
    switch (span) {
    case TraceView::Span::Last10s:
        return 10 * kSecond;
    case TraceView::Span::Last1min:
        return 60 * kSecond;
    case TraceView::Span::Last10min:
        return 600 * kSecond;
    case TraceView::Span::WholeRun:
        break;
    }
    return kSecond;
}
} // namespace

void TraceView::setSpan(Span span)
{
    m_span = span;
    m_following = true;
}

TimeRange TraceView::range(qint64 first, qint64 last) const
{
    if (!m_following)
        return m_fixed;
    if (m_span == Span::WholeRun) {
        // From the run's start until readings were dropped, then from the oldest kept.
        const qint64 from = first > 0 ? first : 0;
        return {from, std::max(last, from + kSecond)};
    }
    // A young run grows from the left edge; an older one scrolls.
    const qint64 width = spanNanos(m_span);
    const qint64 to = std::max(last, width);
    return {to - width, to};
}

void TraceView::zoom(qint64 first, qint64 last, double anchor, double factor)
{
    const TimeRange shown = range(first, last);
    const double at = static_cast<double>(shown.from) + anchor * static_cast<double>(shown.width());
    const double width = std::clamp(static_cast<double>(shown.width()) * factor,
                                    static_cast<double>(kNarrowest), static_cast<double>(kWidest));
    const auto from = static_cast<qint64>(std::llround(at - anchor * width));
    m_fixed = {from, from + static_cast<qint64>(std::llround(width))};
    m_following = false;
}

void TraceView::pan(qint64 first, qint64 last, qint64 nanos)
{
    const TimeRange shown = range(first, last);
    m_fixed = {shown.from + nanos, shown.to + nanos};
    m_following = false;
}

} // namespace dravix
