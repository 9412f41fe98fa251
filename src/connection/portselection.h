#pragma once

#include "porterror.h"

#include <QObject>

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

    void select(int portNumber);

    // The port whose run is under way, 0 when none is.
    [[nodiscard]] int monitoredPort() const { return m_monitoredPort; }

Q_SIGNALS:
    // The connection stopped through the error path (for diagnostics; nothing is shown).
    void stopped(int portNumber, const dravix::PortError& error);

private:
    void stop(int portNumber, const PortError& error);

    SerialPort& m_port;
    ReceiveMonitor& m_monitor;
    MonitorDisplay& m_display;
    ConnectionView& m_view;
    int m_monitoredPort = 0;
};

} // namespace dravix
