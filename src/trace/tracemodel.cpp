#include "tracemodel.h"

#include <algorithm>

namespace dravix {
namespace {
constexpr qint64 kNanosPerMilli = 1'000'000;
} // namespace

TraceModel::TraceModel(qsizetype capacity, QObject* parent)
    : QObject(parent), m_capacity(std::max<qsizetype>(capacity, 1)),
      m_blockMin(static_cast<std::size_t>(m_capacity / kBlock + 2)), m_blockMax(m_blockMin.size()),
      m_startWall(QDateTime::currentDateTime())
{
}

void TraceModel::startTrace(qint64 monotonicNanos, const QDateTime& wallTime, const QString& source)
{
    // The memory stays: the next run fills it again.
    m_nanos.clear();
    m_values.clear();
    m_chars.clear();
    m_size = 0;
    m_head = 0;
    m_total = 0;
    m_origin = monotonicNanos;
    m_startWall = wallTime;
    m_source = source;
    m_marks.clear();
    Q_EMIT traceStarted();
}

void TraceModel::addReading(qint64 monotonicNanos, QByteArrayView reading)
{
    const QByteArrayView chars = reading.last(std::min<qsizetype>(reading.size(), kReadingLength));
    // A clock step backwards must not unsort the times the searches rely on.
    qint64 nanos = monotonicNanos - m_origin;
    if (m_size > 0)
        nanos = std::max(nanos, nanosAt(m_size - 1));
    const std::int32_t value = readingValue(chars);
    std::array<char, kReadingLength> bytes{};
    std::copy_n(chars.begin(), chars.size(), bytes.begin());

    if (m_size < m_capacity) {
        // Grown by doubling up to the capacity and not past it.
        if (m_nanos.size() == m_nanos.capacity()) {
            const auto next = std::min<std::size_t>(std::max<std::size_t>(m_nanos.size() * 2, 1024),
                                                    static_cast<std::size_t>(m_capacity));
            m_nanos.reserve(next);
            m_values.reserve(next);
            m_chars.reserve(next);
        }
        m_nanos.push_back(nanos);
        m_values.push_back(value);
        m_chars.push_back(bytes);
        ++m_size;
    } else {
        // The oldest is overwritten and the next one becomes the oldest.
        const auto at = static_cast<std::size_t>(m_head);
        m_nanos[at] = nanos;
        m_values[at] = value;
        m_chars[at] = bytes;
        if (++m_head == m_capacity)
            m_head = 0;
    }
    const std::size_t block = blockSlot(m_total);
    if (m_total % kBlock == 0) {
        m_blockMin[block] = value;
        m_blockMax[block] = value;
    } else {
        m_blockMin[block] = std::min(m_blockMin[block], value);
        m_blockMax[block] = std::max(m_blockMax[block], value);
    }
    ++m_total;
    Q_EMIT changed();
}

void TraceModel::addMark(qint64 monotonicNanos, const QString& label)
{
    m_marks.push_back({monotonicNanos - m_origin, label});
    Q_EMIT changed();
}

QDateTime TraceModel::wallTimeAt(qint64 nanos) const
{
    return m_startWall.addMSecs(nanos / kNanosPerMilli);
}

TraceReading TraceModel::reading(qsizetype index) const
{
    const std::size_t at = physical(index);
    return {m_nanos[at], m_values[at], m_chars[at]};
}

qsizetype TraceModel::lowerBound(qint64 nanos) const
{
    return lowerBoundFrom(0, nanos);
}

qsizetype TraceModel::lowerBoundFrom(qsizetype from, qint64 nanos) const
{
    if (from >= m_size || nanosAt(from) >= nanos)
        return from;
    // nanosAt(low) < nanos throughout; widen until high is past the answer.
    qsizetype low = from;
    qsizetype step = 1;
    qsizetype high = from + 1;
    while (high < m_size && nanosAt(high) < nanos) {
        low = high;
        step *= 2;
        high = from + step;
    }
    high = std::min(high, m_size);
    ++low;
    while (low < high) {
        const qsizetype mid = low + (high - low) / 2;
        if (nanosAt(mid) < nanos)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

std::optional<qsizetype> TraceModel::nearest(qint64 nanos) const
{
    if (m_size == 0)
        return std::nullopt;
    const qsizetype after = lowerBound(nanos);
    if (after == m_size)
        return m_size - 1;
    if (after > 0 && nanos - nanosAt(after - 1) <= nanosAt(after) - nanos)
        return after - 1;
    return after;
}

void TraceModel::extend(std::vector<TraceColumn>::reference column, qsizetype first,
                        qsizetype end) const
{
    if (first >= end)
        return;
    const auto take = [&column](std::int32_t low, std::int32_t high) {
        column.min = column.count == 0 ? low : std::min(column.min, low);
        column.max = column.count == 0 ? high : std::max(column.max, high);
    };
    // Stepped along with wrap-around rather than worked out per reading: a division per
    // reading was most of a full trace's frame.
    const auto capacity = static_cast<std::size_t>(m_capacity);
    std::size_t at = physical(first);
    const auto takeOne = [&] {
        take(m_values[at], m_values[at]);
        ++column.count;
        if (++at == capacity)
            at = 0;
    };
    if (column.count == 0)
        column.first = m_values[at];
    const qint64 base = m_total - m_size; // sequence number of index 0
    qsizetype i = first;
    for (; i < end && (base + i) % kBlock != 0; ++i)
        takeOne();
    // Whole blocks: every one lies inside the kept readings, so its summary is its own.
    if (i + kBlock <= end) {
        std::size_t block = blockSlot(base + i);
        for (; i + kBlock <= end; i += kBlock) {
            take(m_blockMin[block], m_blockMax[block]);
            column.count += kBlock;
            if (++block == m_blockMin.size())
                block = 0;
        }
        at = physical(i);
    }
    for (; i < end; ++i)
        takeOne();
    column.last = valueAt(end - 1);
}

std::vector<TraceColumn> TraceModel::reduce(qint64 from, qint64 to, int columns) const
{
    std::vector<TraceColumn> result(static_cast<std::size_t>(std::max(columns, 0)));
    if (columns <= 0 || to <= from)
        return result;
    const qint64 span = to - from;
    qsizetype start = lowerBound(from);
    for (int c = 0; c < columns; ++c) {
        // Column c holds the times t with floor((t - from) * columns / span) == c.
        const qint64 boundary = from + (span * (c + 1) + columns - 1) / columns;
        const qsizetype end = lowerBoundFrom(start, c + 1 == columns ? to : boundary);
        extend(result[static_cast<std::size_t>(c)], start, end);
        start = end;
    }
    return result;
}

} // namespace dravix
