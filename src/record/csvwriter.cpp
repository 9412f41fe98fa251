#include "csvwriter.h"

#include "conversion.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>

namespace dravix {
namespace {

constexpr qint64 kNanosPerMilli = 1'000'000;
constexpr int kStandardOutput = 1; // the descriptor on every platform
// Room for a plain row; a quoted one grows the buffer.
constexpr qsizetype kRowReserve = 96;

// RFC 4180 allows only printable ASCII unquoted, and neither comma nor quote.
[[nodiscard]] bool needsQuotes(QByteArrayView field)
{
    return std::ranges::any_of(field, [](char raw) {
        const auto c = static_cast<unsigned char>(raw);
        return c < 0x20 || c > 0x7E || c == ',' || c == '"';
    });
}

void appendField(QByteArray& row, QByteArrayView field)
{
    if (!needsQuotes(field)) {
        row += field;
        return;
    }
    row += '"';
    for (const char c : field) {
        if (c == '"')
            row += '"';
        row += c;
    }
    row += '"';
}

// At least `digits` digits, zero-padded; digits by hand because a row is made per reading.
void appendDigits(QByteArray& row, std::uint64_t n, int digits)
{
    std::array<char, 20> text{};
    auto* at = text.end();
    do {
        *--at = static_cast<char>('0' + n % 10);
        n /= 10;
        --digits;
    } while (n > 0 || digits > 0);
    row.append(at, text.end() - at);
}

void appendTime(QByteArray& row, const QDateTime& time)
{
    // Qt's ISO text leaves the offset out for local time and writes Z for UTC.
    using namespace std::chrono;
    const int offset = time.offsetFromUtc();
    const milliseconds local{time.toMSecsSinceEpoch() + qint64{offset} * 1000};
    const auto day = floor<days>(local);
    const year_month_day date{sys_days(day)};
    const hh_mm_ss clock{local - day};
    const int offsetMinutes = std::abs(offset) / 60;
    appendDigits(row, static_cast<std::uint64_t>(int(date.year())), 4);
    row += '-';
    appendDigits(row, unsigned(date.month()), 2);
    row += '-';
    appendDigits(row, unsigned(date.day()), 2);
    row += 'T';
    appendDigits(row, static_cast<std::uint64_t>(clock.hours().count()), 2);
    row += ':';
    appendDigits(row, static_cast<std::uint64_t>(clock.minutes().count()), 2);
    row += ':';
    appendDigits(row, static_cast<std::uint64_t>(clock.seconds().count()), 2);
    row += '.';
    appendDigits(row, static_cast<std::uint64_t>(clock.subseconds().count()), 3);
    row += offset < 0 ? '-' : '+';
    appendDigits(row, static_cast<std::uint64_t>(offsetMinutes / 60), 2);
    row += ':';
    appendDigits(row, static_cast<std::uint64_t>(offsetMinutes % 60), 2);
}

void appendElapsed(QByteArray& row, qint64 elapsedNanos)
{
    const auto millis = static_cast<std::uint64_t>(elapsedNanos / kNanosPerMilli);
    appendDigits(row, millis / 1000, 1);
    row += '.';
    appendDigits(row, millis % 1000, 3);
}

// time and elapsed_s, each row's first two columns.
void appendTimes(QByteArray& row, const QDateTime& time, qint64 elapsedNanos)
{
    appendTime(row, time);
    row += ',';
    appendElapsed(row, elapsedNanos);
    row += ',';
}

} // namespace

QByteArray csvHeader()
{
    return QByteArrayLiteral("time,elapsed_s,hex,value,position\r\n");
}

QByteArray csvRow(const QDateTime& time, qint64 elapsedNanos, QByteArrayView chars)
{
    const std::int32_t value = readingValue(chars);
    QByteArray row;
    row.reserve(kRowReserve);
    appendTimes(row, time, elapsedNanos);
    // Each received byte is the character with that code, as the hexadecimal list shows it.
    if (std::ranges::all_of(chars, [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        appendField(row, chars);
    else
        appendField(row, QString::fromLatin1(chars.data(), chars.size()).toUtf8());
    row += ',';
    row += QByteArray::number(value);
    row += ',';
    row += formatHundredths(value, QStringLiteral(".")).toLatin1();
    row += "\r\n";
    return row;
}

QByteArray commandsCsvHeader()
{
    return QByteArrayLiteral("time,elapsed_s,sent\r\n");
}

QByteArray commandsCsvRow(const QDateTime& time, qint64 elapsedNanos, const QString& sent)
{
    QByteArray row;
    row.reserve(kRowReserve);
    appendTimes(row, time, elapsedNanos);
    appendField(row, sent.toUtf8());
    row += "\r\n";
    return row;
}

CsvWriter::Opening CsvWriter::open(const QString& path, bool append)
{
    if (path.isEmpty()) {
        // The descriptor, not the FILE: stdio would hold rows in its own buffer.
        if (!m_file.open(kStandardOutput, QIODevice::WriteOnly | QIODevice::Unbuffered))
            return Opening::Failed;
        return Opening::Opened;
    }
    m_file.setFileName(path);
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered |
                                     (append ? QIODevice::Append : QIODevice::NewOnly);
    if (m_file.open(mode)) {
        m_created = !append;
        m_written = append && m_file.size() > 0;
        return Opening::Opened;
    }
    // Only the refused creation says why it failed; the file then exists.
    if (!append && m_file.exists())
        return Opening::Exists;
    return Opening::Failed;
}

QString CsvWriter::name() const
{
    return m_file.fileName().isEmpty() ? QStringLiteral("standard output") : m_file.fileName();
}

bool CsvWriter::writeHeader()
{
    return m_written || writeLine(csvHeader());
}

bool CsvWriter::writeRow(const QDateTime& time, qint64 elapsedNanos, QByteArrayView chars)
{
    return writeLine(csvRow(time, elapsedNanos, chars));
}

bool CsvWriter::writeLine(const QByteArray& line)
{
    m_written = true;
    // Unbuffered: one write per row, so a crash never leaves a row half in a buffer.
    return m_file.write(line) == line.size();
}

void CsvWriter::discard()
{
    if (m_created && !m_written)
        m_file.remove();
}

} // namespace dravix
