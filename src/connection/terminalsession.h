#pragma once

#include "commandtransmit.h"
#include "portdevices.h"
#include "portselection.h"
#include "receivemonitor.h"
#include "serialport.h"
#include "tracemodel.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringView>

#include <array>

namespace dravix {

class MonitorDisplay;

// One choice in a port button's menu.
struct PortMenuEntry
{
    QString text;
    QString device; // empty: automatic
    bool checked = false;
};

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
    // --port1 or --port2: the device behind the button unless the menu chooses another.
    void pinPort(int portNumber, const QString& device);
    // A choice in the button's menu, for this run: a device, or empty for automatic. It takes
    // effect at the button's next click.
    void choosePortDevice(int portNumber, const QString& device);
    // What a click on the port's button would open now, how that was chosen, whether it is
    // there, and why the last click on it did not open it.
    [[nodiscard]] QString portToolTip(int portNumber) const;
    // The button's menu: automatic first, then every port present, the current choice checked.
    [[nodiscard]] QList<PortMenuEntry> portMenu(int portNumber) const;
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
    std::array<PortPins, 2> m_pins;
    // The line on why the last click on a button did not open its port; empty once it did.
    std::array<QString, 2> m_refusals;
};

} // namespace dravix
