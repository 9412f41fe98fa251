#pragma once

#include "porterror.h"
#include "readinghistory.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

namespace dravix {

class MonitorDisplay;
class SerialPort;

// Turns the characters waiting at the port into readings, eight at a time, and shows the
// history of the current run; one turn per reading so other events run in between.
class ReceiveMonitor final : public QObject
{
    Q_OBJECT

public:
    ReceiveMonitor(SerialPort& port, MonitorDisplay& display, QObject* parent = nullptr);

    void setDecimalSeparator(const QString& separator) { m_decimalSeparator = separator; }

    // A new run with an empty history; any earlier run's history is gone.
    void start();
    // Ends the run: no further turn reads the port or writes the display.
    void stop();
    [[nodiscard]] bool running() const { return m_history.has_value(); }

    // The CLEAR button: carried out at the start of the run's next turn, or of the next run.
    void requestClear();

Q_SIGNALS:
    // A turn raised an error; the run has ended and its history is discarded.
    void runFailed(const dravix::PortError& error);
    // A run began with an empty history.
    void runStarted();
    // CLEAR was carried out: the history starts again.
    void cleared();
    // A reading was taken into the history: three blanks and the eight characters.
    void readingTaken(const QByteArray& reading);

private:
    // Queues a turn behind the events already waiting, unless one is queued or it has no work.
    void scheduleTurn();
    void turn();
    void carryOutClear();
    void showHistory();

    SerialPort& m_port;
    MonitorDisplay& m_display;
    QString m_decimalSeparator = QStringLiteral(".");
    bool m_clearRequested = false;
    QTimer m_turnTimer;
    // The run's history; empty while no run exists.
    std::optional<ReadingHistory> m_history;
};

} // namespace dravix
