#pragma once

#include "monitordisplay.h"
#include "porterror.h"
#include "readinghistory.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <optional>

namespace dravix {

class SerialPort;

// Turns the characters waiting at the port into readings, eight at a time, and shows the
// history of the current run; one turn per reading so other events run in between.
class ReceiveMonitor final : public QObject
{
    Q_OBJECT

public:
    ReceiveMonitor(SerialPort& port, MonitorDisplay& display, QObject* parent = nullptr);

    void setDecimalSeparator(const QString& separator);

    // A new run with an empty history; any earlier run's history is gone.
    void start();
    // Ends the run: no further turn reads the port or writes the display.
    void stop();
    [[nodiscard]] bool running() const { return m_running; }

    // The CLEAR button: carried out at the start of the run's next turn, or of the next run.
    void requestClear();

Q_SIGNALS:
    // A turn raised an error; the run has ended and its history is discarded.
    void runFailed(const dravix::PortError& error);

private:
    void takeArrival();
    void scheduleTurn();
    void turn();
    // Carries out a clear and takes one reading; whether another whole reading waits.
    [[nodiscard]] bool takeOneReading();
    void carryOutClear();
    [[nodiscard]] QByteArray readOneReading();
    void showHistory();
    void resetRowTexts();

    using RowTexts = std::array<QString, kHistorySlots>;

    SerialPort& m_port;
    MonitorDisplay& m_display;
    QString m_decimalSeparator = QStringLiteral(".");
    bool m_clearRequested = false;
    std::optional<ReadingHistory> m_history;
    // The history's rows as shown, shifted with it, so a reading converts only its own slot.
    RowTexts m_hexRows;
    RowTexts m_decimalRows;
    bool m_running = false;
    bool m_followUpPosted = false;
    // Zero-interval: a turn runs once per pass of the event loop, after what else is waiting.
    QTimer m_turnTimer;
};

} // namespace dravix
