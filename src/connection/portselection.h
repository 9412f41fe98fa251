#pragma once

#include "portdevices.h"

#include <QObject>
#include <QString>

namespace dravix {

class MonitorDisplay;
class ReceiveMonitor;
class SerialPort;

// What a port selection changes on the window besides the lists.
class ConnectionView
{
public:
    virtual ~ConnectionView() = default;
    virtual void setSendEnabled(bool enabled) = 0;
    // Clears the button's selection without running its selection handler.
    virtual void unselectPortButton(int portNumber) = 0;
};

// A click on "Comm Port 1" or "Comm Port 2": opens that port and starts a monitor run;
// any failure, then or later in the run, stops the connection quietly.
class PortSelection final : public QObject
{
    Q_OBJECT

public:
    PortSelection(SerialPort& port, ReceiveMonitor& monitor, MonitorDisplay& display,
                  ConnectionView& view, QObject* parent = nullptr);

    // Opens the device that the pins choose for the port.
    void select(int portNumber, const PortPins& pins = {});

Q_SIGNALS:
    // A selection failed: which port, and one line on why in words a newcomer can act on.
    void refused(int portNumber, const QString& line);

private:
    // The window shows no connection: SEND off and the button unselected; no message.
    void showStopped(int portNumber);

    SerialPort& m_port;
    ReceiveMonitor& m_monitor;
    MonitorDisplay& m_display;
    ConnectionView& m_view;
};

} // namespace dravix
