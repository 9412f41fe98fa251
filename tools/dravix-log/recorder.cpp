#include "recorder.h"

#include "conversion.h"
#include "csvwriter.h"
#include "linesettings.h"
#include "portdevices.h"
#include "portopening.h"
#include "takereading.h"

#include <QDateTime>
#include <QTimeZone>

#include <algorithm>
#include <array>
#include <climits>
#include <utility>

namespace dravix::log {
namespace {

constexpr int kReopenIntervalMs = 500;
constexpr qint64 kNanosPerMilli = 1'000'000;
constexpr qint64 kMillisPerMinute = 60'000;

} // namespace

Recorder::Recorder(LogOptions options, CsvWriter& writer, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_writer(writer)
{
    connect(&m_port, &SerialPort::charactersArrived, this, &Recorder::takeReadings);
    connect(&m_port, &SerialPort::portFailed, this, &Recorder::deviceLost);
    m_reopen.setInterval(kReopenIntervalMs);
    connect(&m_reopen, &QTimer::timeout, this, &Recorder::tryReopen);
    // A coarse timer may fire early; the end must not come before the duration is up.
    m_end.setTimerType(Qt::PreciseTimer);
    m_end.setSingleShot(true);
    connect(&m_end, &QTimer::timeout, this,
            [this] { (void)durationUp(m_sinceOpen.nsecsElapsed()); });
}

bool Recorder::start()
{
    try {
        m_port.setSettings(QString::fromLatin1(kDesignSettings));
        m_port.setInputLen(1);
        m_port.setDevicePath(m_options.device.isEmpty() ? portDevicePath(m_options.portNumber)
                                                        : m_options.device);
        openPort(m_port);
    } catch (const PortError& error) {
        // The reason names the device already.
        Q_EMIT said(didNotOpen(m_options.device.isEmpty()
                                   ? QStringLiteral("Comm Port %1").arg(m_options.portNumber)
                                   : QStringLiteral("the device"),
                               error));
        return false;
    }
    m_sinceOpen.start();
    if (!m_writer.writeHeader()) {
        Q_EMIT said(
            QStringLiteral("cannot write to %1: %2").arg(m_writer.name(), m_writer.errorString()));
        return false;
    }
    try {
        sendCommands();
    } catch (const PortError& error) {
        Q_EMIT said(error.text());
        return false;
    }
    (void)durationUp(0);
    return true;
}

void Recorder::stop()
{
    m_reopen.stop();
    m_end.stop();
    m_port.setPortOpen(false);
}

void Recorder::sendCommands()
{
    // The port was emptied as it opened, so nothing of one command line's sends is dropped:
    // each text goes out exactly as SEND puts it on the wire, after what came before it.
    for (const LogCommand& command : m_options.commands) {
        switch (command.kind) {
        case LogCommand::Kind::Send:
            m_port.output(command.text);
            break;
        case LogCommand::Kind::PosMove:
            m_transmit.posMove();
            break;
        case LogCommand::Kind::NegMove:
            m_transmit.negMove();
            break;
        }
    }
}

void Recorder::takeReadings()
{
    try {
        while (!m_finished && m_port.portOpen()) {
            const auto reading = takeReading(m_port);
            if (!reading)
                break;
            record(QByteArrayView(reading->data(), reading->size()));
        }
    } catch (const PortError& error) {
        Q_EMIT said(error.text());
        finish(1);
    }
}

void Recorder::record(QByteArrayView chars)
{
    const qint64 elapsed = m_sinceOpen.nsecsElapsed();
    if (m_finished || durationUp(elapsed))
        return;
    if (!m_writer.writeRow(localNow(), elapsed, chars)) {
        Q_EMIT said(
            QStringLiteral("cannot write to %1: %2").arg(m_writer.name(), m_writer.errorString()));
        finish(1);
        return;
    }
    ++m_rows;
    if (m_options.count && m_rows >= *m_options.count)
        finish(0);
}

bool Recorder::durationUp(qint64 elapsed)
{
    if (!m_options.duration)
        return false;
    const qint64 left = m_options.duration->count() - elapsed;
    if (left <= 0) {
        finish(0);
        return true;
    }
    if (!m_end.isActive()) {
        // Rounded up, and armed again for a duration longer than one timer holds.
        const qint64 ms = (left + kNanosPerMilli - 1) / kNanosPerMilli;
        m_end.start(static_cast<int>(std::min<qint64>(ms, INT_MAX)));
    }
    return false;
}

QDateTime Recorder::localNow()
{
    // Asking for local time makes the C library look at the time zone file each time, which
    // costs more than the rest of a row. Offsets change only on a whole minute, so the
    // minute's offset serves all its rows.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 minute = now / kMillisPerMinute;
    if (minute != m_offsetMinute) {
        m_offsetMinute = minute;
        m_offset = QTimeZone(QDateTime::fromMSecsSinceEpoch(now).offsetFromUtc());
    }
    return QDateTime::fromMSecsSinceEpoch(now, m_offset);
}

void Recorder::deviceLost(const PortError& error)
{
    if (m_finished)
        return;
    if (!m_options.reconnect) {
        Q_EMIT said(error.text());
        finish(1);
        return;
    }
    Q_EMIT said(error.text() + QStringLiteral("; reopening it every half second"));
    m_reopen.start();
}

void Recorder::tryReopen()
{
    try {
        m_port.setPortOpen(true);
    } catch (const PortError&) {
        return; // still gone: said once when it was lost
    }
    m_reopen.stop();
    // Opening started from an empty line: the next reading is aligned afresh.
    Q_EMIT said(m_port.devicePath() + QStringLiteral(" is back; recording again"));
}

void Recorder::finish(int exitCode)
{
    if (m_finished)
        return;
    m_finished = true;
    m_end.stop();
    m_reopen.stop();
    Q_EMIT finished(exitCode);
}

} // namespace dravix::log
