#pragma once

#include "commandtransmit.h"
#include "portdevices.h"
#include "portselection.h"
#include "receivemonitor.h"
#include "serialport.h"
#include "tracemodel.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringView>

namespace dravix {

class MonitorDisplay;

// The terminal without its widgets: the port, the monitor, the port selection and the
// transmitter, driven by the window's clicks. Errors that nothing traps leave as errorRaised.
class TerminalSession final : public QObject
{
    Q_OBJECT

public:
    TerminalSession(MonitorDisplay& display, ConnectionView& view, QObject* parent = nullptr);

    void setDecimalSeparator(const QString& separator);

    // The start-up reset, once per run: at the first activation of the window, or before
    // the first click when that comes first, so that it can never undo a selection.
    void startUp();
    // Closing is never refused: the port closes first, and nothing reaches the display after.
    void shutDown();

    void selectPort(int portNumber);
    // What a click on the port's button would open now.
    [[nodiscard]] static PortTarget portTarget(int portNumber)
    {
        return dravix::portTarget(portNumber);
    }
    void requestClear();
    void send(QStringView text);
    void posMove();
    void negMove();

    // Every reading of the current run or history, and the commands sent meanwhile.
    [[nodiscard]] const TraceModel& trace() const { return m_trace; }

Q_SIGNALS:
    void errorRaised(int number, const QString& text);
    // One line on why a port did not open; the window stays quiet, this goes to standard error.
    void diagnostic(const QString& line);

private:
    // Runs a handler that traps nothing of its own: what it raises goes to errorRaised.
    template <typename Handler> void reportErrors(Handler&& handler);
    // Marks where a command's bytes went out; nothing when the write was refused.
    template <typename Handler> void sendMarked(const QString& label, Handler&& handler);

    MonitorDisplay& m_display;
    ConnectionView& m_view;
    SerialPort m_port;
    ReceiveMonitor m_monitor;
    PortSelection m_selection;
    CommandTransmit m_transmit;
    TraceModel m_trace;
    QElapsedTimer m_clock; // monotonic
    QString m_selectingSource;
    bool m_started = false;
};

} // namespace dravix
