#include "tracecsv.h"

#include "csvwriter.h"
#include "tracemodel.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace dravix {
namespace {
// Rows go to the file in chunks of about this many bytes.
constexpr qsizetype kChunk = 1 << 20;

[[nodiscard]] QString commit(QSaveFile& file)
{
    if (file.commit())
        return {};
    return QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
}

[[nodiscard]] bool flush(QSaveFile& file, QByteArray& chunk)
{
    const bool ok = file.write(chunk) == chunk.size();
    chunk.clear();
    return ok;
}
} // namespace

QString commandsPathFor(const QString& readingsPath)
{
    const QFileInfo info(readingsPath);
    const QString base = info.suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0
                             ? info.completeBaseName()
                             : info.fileName();
    return info.dir().filePath(base + QStringLiteral("-commands.csv"));
}

QString saveTraceCsv(const TraceModel& trace, const QString& readingsPath)
{
    QSaveFile readings(readingsPath);
    if (!readings.open(QIODevice::WriteOnly))
        return QStringLiteral("%1: %2").arg(readingsPath, readings.errorString());
    QByteArray chunk = csvHeader();
    chunk.reserve(kChunk + 256);
    bool ok = true;
    for (qsizetype i = 0; i < trace.size() && ok; ++i) {
        const TraceReading r = trace.reading(i);
        chunk += csvRow(trace.wallTimeAt(r.nanos), r.nanos,
                        QByteArrayView(r.chars.data(), qsizetype(r.chars.size())));
        if (chunk.size() >= kChunk)
            ok = flush(readings, chunk);
    }
    if (ok)
        ok = flush(readings, chunk);
    if (!ok) {
        readings.cancelWriting();
        return QStringLiteral("%1: %2").arg(readingsPath, readings.errorString());
    }

    QSaveFile commands(commandsPathFor(readingsPath));
    if (!commands.open(QIODevice::WriteOnly))
        return QStringLiteral("%1: %2").arg(commands.fileName(), commands.errorString());
    // The commands of the readings kept, as the readings file holds only those.
    const qint64 since = trace.size() > 0 && trace.dropped() > 0 ? trace.nanosAt(0) : 0;
    chunk = commandsCsvHeader();
    for (const TraceMark& mark : trace.marks())
        if (mark.nanos >= since)
            chunk += commandsCsvRow(trace.wallTimeAt(mark.nanos), mark.nanos, mark.label);
    if (!flush(commands, chunk)) {
        commands.cancelWriting();
        return QStringLiteral("%1: %2").arg(commands.fileName(), commands.errorString());
    }
    if (QString error = commit(readings); !error.isEmpty())
        return error;
    return commit(commands);
}

} // namespace dravix
