#pragma once

#include "commandtransmit.h"
#include "logoptions.h"
#include "serialport.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimeZone>
#include <QTimer>

namespace dravix {
class CsvWriter;
}

namespace dravix::log {

// Opens the port as the terminal does, sends the commands, and writes one row per reading
// as the characters arrive, until the count, the duration or a failure ends the run.
class Recorder final : public QObject
{
    Q_OBJECT

public:
    Recorder(LogOptions options, CsvWriter& writer, QObject* parent = nullptr);

    // False, with the reason said, when the port did not open or the commands failed.
    [[nodiscard]] bool start();
    // Releases the port; a partial reading goes with it.
    void stop();

Q_SIGNALS:
    // One line for standard error.
    void said(const QString& line);
    void finished(int exitCode);

private:
    void sendCommands();
    void takeReadings();
    void record(QByteArrayView chars);
    // True once the duration is up, and the run ends; else the end is armed for what is left.
    [[nodiscard]] bool durationUp(qint64 elapsedNanos);
    // Local time with the offset it has now, at a fixed offset.
    [[nodiscard]] QDateTime localNow();
    void deviceLost(const dravix::PortError& error);
    void tryReopen();
    void finish(int exitCode);

    const LogOptions m_options;
    CsvWriter& m_writer;
    SerialPort m_port;
    CommandTransmit m_transmit{m_port};
    QElapsedTimer m_sinceOpen;
    QTimer m_end;
    QTimer m_reopen;
    qint64 m_rows = 0;
    qint64 m_offsetMinute = -1;
    QTimeZone m_offset;
    bool m_finished = false;
};

} // namespace dravix::log
