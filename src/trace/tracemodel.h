#pragma once

#include "conversion.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace dravix {

// One reading of a trace: when it completed (nanoseconds since the trace began), its value
// and the eight characters as received.
struct TraceReading
{
    qint64 nanos = 0;
    std::int32_t value = 0;
    std::array<char, kReadingLength> chars{};
};

// A command whose bytes went out: "posmove", "negmov", "SEND AB12".
struct TraceMark
{
    qint64 nanos = 0;
    QString label;
};

// The readings of one pixel column; min, max, first and last mean nothing while count is 0.
struct TraceColumn
{
    qsizetype count = 0;
    std::int32_t min = 0;
    std::int32_t max = 0;
    std::int32_t first = 0;
    std::int32_t last = 0;
};

// The readings of the current run or history, newest kept when full, with the commands sent
// and the reduction to one minimum and maximum per pixel column.
class TraceModel final : public QObject
{
    Q_OBJECT

public:
    // About 76 minutes at the line rate, in 20 bytes a reading.
    static constexpr qsizetype kDefaultCapacity = 1'000'000;

    explicit TraceModel(qsizetype capacity = kDefaultCapacity, QObject* parent = nullptr);

    // An empty trace whose times count from `monotonicNanos`, which was `wallTime` by the
    // clock on the wall; `source` names the port it comes from.
    void startTrace(qint64 monotonicNanos, const QDateTime& wallTime, const QString& source);
    // `reading` ends in the eight received characters (the three blanks in front are left).
    void addReading(qint64 monotonicNanos, QByteArrayView reading);
    void addMark(qint64 monotonicNanos, const QString& label);

    [[nodiscard]] qsizetype size() const { return m_size; }
    [[nodiscard]] qsizetype capacity() const { return m_capacity; }
    // Readings of this trace no longer kept, oldest first.
    [[nodiscard]] qint64 dropped() const { return m_total - m_size; }
    [[nodiscard]] const QString& source() const { return m_source; }
    [[nodiscard]] const QDateTime& startWallTime() const { return m_startWall; }
    [[nodiscard]] QDateTime wallTimeAt(qint64 nanos) const;

    // Reading `index` counting from the oldest kept one.
    [[nodiscard]] TraceReading reading(qsizetype index) const;
    [[nodiscard]] qint64 nanosAt(qsizetype index) const { return m_nanos[physical(index)]; }
    [[nodiscard]] std::int32_t valueAt(qsizetype index) const { return m_values[physical(index)]; }
    [[nodiscard]] const std::vector<TraceMark>& marks() const { return m_marks; }

    // The first reading at or after `nanos`, or size() when there is none.
    [[nodiscard]] qsizetype lowerBound(qint64 nanos) const;
    [[nodiscard]] std::optional<qsizetype> nearest(qint64 nanos) const;
    // [from, to) split into `columns` equal spans, each reduced to its readings' extremes.
    [[nodiscard]] std::vector<TraceColumn> reduce(qint64 from, qint64 to, int columns) const;

Q_SIGNALS:
    void traceStarted();
    // Readings or marks were added.
    void changed();

private:
    // Readings are summarised in blocks of this many, so a column spanning thousands of
    // readings costs a few dozen steps.
    static constexpr qint64 kBlock = 64;

    // No division: the drawing asks this tens of thousands of times a frame.
    [[nodiscard]] std::size_t physical(qsizetype index) const
    {
        const qsizetype at = m_head + index;
        return static_cast<std::size_t>(at < m_capacity ? at : at - m_capacity);
    }
    // The first reading at or after `nanos`, searched from `from` on in growing steps, since
    // a column's end lies close behind its start.
    [[nodiscard]] qsizetype lowerBoundFrom(qsizetype from, qint64 nanos) const;
    [[nodiscard]] std::size_t blockSlot(qint64 seq) const
    {
        return static_cast<std::size_t>((seq / kBlock) % qint64(m_blockMin.size()));
    }
    void extend(std::vector<TraceColumn>::reference column, qsizetype first, qsizetype end) const;

    qsizetype m_capacity;
    // Structure of arrays: exactly 20 bytes a reading, and the reduction reads only two.
    std::vector<qint64> m_nanos;
    std::vector<std::int32_t> m_values;
    std::vector<std::array<char, kReadingLength>> m_chars;
    std::vector<std::int32_t> m_blockMin;
    std::vector<std::int32_t> m_blockMax;
    qsizetype m_size = 0;
    qsizetype m_head = 0; // where the oldest kept reading is stored
    qint64 m_total = 0;   // readings added since the trace began, the dropped ones too
    qint64 m_origin = 0;
    QDateTime m_startWall;
    QString m_source;
    std::vector<TraceMark> m_marks;
};

} // namespace dravix
