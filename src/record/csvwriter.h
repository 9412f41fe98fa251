#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QFile>
#include <QString>

namespace dravix {

// The CSV rows of a recording, on standard output or in a file that is never overwritten;
// every row reaches the system in one write as soon as it is made.
class CsvWriter final
{
public:
    enum class Opening { Opened, Exists, Failed };

    // An empty path is standard output. Without `append` the file must not exist yet: the
    // check and the creation are one step, so no file appearing meanwhile is overwritten.
    [[nodiscard]] Opening open(const QString& path, bool append);
    [[nodiscard]] QString errorString() const { return m_file.errorString(); }
    [[nodiscard]] QString name() const;

    // The header row, unless the output already holds rows.
    [[nodiscard]] bool writeHeader();
    [[nodiscard]] bool writeRow(const QDateTime& time, qint64 elapsedNanos, QByteArrayView chars);
    // Removes a file this writer created and has written nothing to.
    void discard();

private:
    [[nodiscard]] bool writeLine(const QByteArray& line);

    QFile m_file;
    bool m_created = false;
    bool m_written = false;
};

[[nodiscard]] QByteArray csvHeader();
// time, elapsed_s, hex, value, position for the eight characters of one reading, CRLF ended;
// the time is ISO 8601 with milliseconds and the UTC offset: 2026-12-10T11:38:45.123+01:00.
[[nodiscard]] QByteArray csvRow(const QDateTime& time, qint64 elapsedNanos, QByteArrayView chars);

// The commands sent during a trace, in a file beside its readings: time, elapsed_s, sent.
[[nodiscard]] QByteArray commandsCsvHeader();
[[nodiscard]] QByteArray commandsCsvRow(const QDateTime& time, qint64 elapsedNanos,
                                        const QString& sent);

} // namespace dravix
