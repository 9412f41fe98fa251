#pragma once

#include "monitordisplay.h"
#include "porterror.h"
#include "readinghistory.h"

#include <QObject>
#include <QString>

#include <optional>

namespace dravix {

class SerialPort;

// Turns the characters waiting at the port into readings, eight at a time, and shows the
// history of the current run; one queued turn per reading so other events run in between.
class ReceiveMonitor final : public QObject
{
    Q_OBJECT

public:
    ReceiveMonitor(SerialPort& port, MonitorDisplay& display, QObject* parent = nullptr);

    void setDecimalSeparator(const QString& separator) { m_decimalSeparator = separator; }

    // A new run with an empty history; any earlier run's history is gone.
    void start();
    // Ends the run: no further turn reads the port or writes the lists.
    void stop();
    [[nodiscard]] bool running() const { return m_running; }

    // The CLEAR button: only the exact text "yes" counts as a request.
    void requestClear();
    [[nodiscard]] QString clearRequest() const { return m_clearRequest; }

    [[nodiscard]] const ReadingHistory* history() const
    {
        return m_history ? &*m_history : nullptr;
    }

Q_SIGNALS:
    // A turn raised an error; the run has ended and its history is discarded.
    void runFailed(const dravix::PortError& error);

private:
    void scheduleTurn();
    void turn();
    void carryOutClear();
    [[nodiscard]] QByteArray readOneReading();
    void showHistory();

    SerialPort& m_port;
    MonitorDisplay& m_display;
    QString m_decimalSeparator = QStringLiteral(".");
    QString m_clearRequest;
    std::optional<ReadingHistory> m_history;
    bool m_running = false;
    bool m_turnQueued = false;
};

} // namespace dravix
