#pragma once

#include <QtGlobal>

namespace dravix {

// Times in nanoseconds since the trace began.
struct TimeRange
{
    qint64 from = 0;
    qint64 to = 0;

    [[nodiscard]] qint64 width() const { return to - from; }
    friend bool operator==(const TimeRange&, const TimeRange&) = default;
};

// What span of a trace is shown: following its newest readings over a chosen span, or a
// range the user zoomed or panned to, which stays put while readings arrive.
class TraceView final
{
public:
    enum class Span { Last10s, Last1min, Last10min, WholeRun };

    [[nodiscard]] Span span() const { return m_span; }
    [[nodiscard]] bool following() const { return m_following; }
    // Chooses the span and follows it.
    void setSpan(Span span);
    void follow() { m_following = true; }

    // The range shown for a trace whose kept readings run from `first` to `last`.
    [[nodiscard]] TimeRange range(qint64 first, qint64 last) const;
    // Scales the shown range by `factor` around the time at `anchor` (0 left edge, 1 right).
    void zoom(qint64 first, qint64 last, double anchor, double factor);
    // Moves the shown range by `nanos`, later when positive.
    void pan(qint64 first, qint64 last, qint64 nanos);

private:
    Span m_span = Span::Last1min;
    bool m_following = true;
    TimeRange m_fixed;
};

} // namespace dravix
