#include "portselection.h"

#include "monitordisplay.h"
#include "receivemonitor.h"
#include "serialport.h"

namespace dravix {

PortSelection::PortSelection(SerialPort& port, ReceiveMonitor& monitor, MonitorDisplay& display,
                             ConnectionView& view, QObject* parent)
    : QObject(parent), m_port(port), m_monitor(monitor), m_display(display), m_view(view)
{
    connect(&m_monitor, &ReceiveMonitor::runFailed, this, [this](const PortError& error) {
        stop(m_monitoredPort, error);
    });
    connect(&m_port, &SerialPort::portFailed, this, [this](const PortError& error) {
        if (m_monitoredPort != 0)
            stop(m_monitoredPort, error);
    });
}

void PortSelection::select(int portNumber)
{
    try {
        if (m_port.portOpen() && m_port.commPort() == portNumber)
            return;
        // The run on the previous port ends before that port closes; its history goes with it.
        m_monitor.stop();
        m_monitoredPort = 0;
        if (m_port.portOpen())
            m_port.setPortOpen(false);
        m_port.setInBufferCount(0);
        m_port.setOutBufferCount(0);
        m_port.setCommPort(portNumber);
        resetToEmptyRows(m_display);
        m_view.setSendEnabled(true);
        m_port.setPortOpen(true);
        m_monitoredPort = portNumber;
        m_monitor.start();
    } catch (const PortError& error) {
        stop(portNumber, error);
    }
}

void PortSelection::stop(int portNumber, const PortError& error)
{
    m_view.setSendEnabled(false);
    m_monitor.stop();
    m_monitoredPort = 0;
    m_view.unselectPortButton(portNumber);
    // Unlike a bare stop, release the port too: a dead device held open blocks other
    // programs and would make the guard refuse a reconnect on the same button.
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    Q_EMIT stopped(portNumber, error);
}

} // namespace dravix
