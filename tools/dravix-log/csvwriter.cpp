#include "csvwriter.h"

#include "conversion.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace dravix::log {
namespace {

constexpr qint64 kNanosPerMilli = 1'000'000;
constexpr int kStandardOutput = 1; // the descriptor on every platform

// RFC 4180 allows only printable ASCII unquoted, and neither comma nor quote.
[[nodiscard]] bool needsQuotes(QByteArrayView field)
{
    return std::ranges::any_of(field, [](char raw) {
        const auto c = static_cast<unsigned char>(raw);
        return c < 0x20 || c > 0x7E || c == ',' || c == '"';
    });
}

[[nodiscard]] QByteArray csvField(QByteArrayView field)
{
    if (!needsQuotes(field))
        return field.toByteArray();
    QByteArray quoted = field.toByteArray();
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

} // namespace

QByteArray isoTimeWithOffset(const QDateTime& time)
{
    // By hand: Qt's ISO text leaves the offset out for local time and writes Z for UTC, and
    // its formatter costs more than the rest of a row.
    using namespace std::chrono;
    const int offset = time.offsetFromUtc();
    const milliseconds local{time.toMSecsSinceEpoch() + qint64{offset} * 1000};
    const auto day = floor<days>(local);
    const year_month_day date{sys_days(day)};
    const hh_mm_ss clock{local - day};
    const int offsetMinutes = std::abs(offset) / 60;
    std::array<char, 40> text{};
    const int size = std::snprintf(
        text.data(), text.size(), "%04d-%02u-%02uT%02d:%02d:%02d.%03d%c%02d:%02d", int(date.year()),
        unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
        int(clock.minutes().count()), int(clock.seconds().count()), int(clock.subseconds().count()),
        offset < 0 ? '-' : '+', offsetMinutes / 60, offsetMinutes % 60);
    return {text.data(), size};
}

QByteArray csvHeader()
{
    return QByteArrayLiteral("time,elapsed_s,hex,value,position\r\n");
}

QByteArray csvRow(const QDateTime& time, qint64 elapsedNanos, QByteArrayView chars)
{
    const qint64 millis = elapsedNanos / kNanosPerMilli;
    const std::int32_t value = readingValue(chars);
    QByteArray row = isoTimeWithOffset(time);
    row += ',';
    row += QByteArray::number(millis / 1000) + '.' +
           QByteArray::number(millis % 1000).rightJustified(3, '0');
    row += ',';
    // Each received byte is the character with that code, as the hexadecimal list shows it.
    row += csvField(QString::fromLatin1(chars.data(), chars.size()).toUtf8());
    row += ',';
    row += QByteArray::number(value);
    row += ',';
    row += formatHundredths(value, QStringLiteral(".")).toLatin1();
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

} // namespace dravix::log
