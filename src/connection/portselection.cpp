#include "portselection.h"

#include "monitordisplay.h"
#include "portdevices.h"
#include "porterror.h"
#include "portopening.h"
#include "receivemonitor.h"
#include "serialport.h"

namespace dravix {

PortSelection::PortSelection(SerialPort& port, ReceiveMonitor& monitor, MonitorDisplay& display,
                             ConnectionView& view, QObject* parent)
    : QObject(parent), m_port(port), m_monitor(monitor), m_display(display), m_view(view)
{
    // The run has ended itself; unlike a bare stop, release the port too: a port held open
    // after its run failed blocks other programs and makes the guard refuse a reconnect.
    connect(&m_monitor, &ReceiveMonitor::runFailed, this, [this] {
        m_port.setPortOpen(false);
        showStopped(m_port.commPort());
    });
    // The port has closed itself; the run on it ends here.
    connect(&m_port, &SerialPort::portFailed, this, [this] {
        if (!m_monitor.running())
            return;
        m_monitor.stop();
        showStopped(m_port.commPort());
    });
}

void PortSelection::select(int portNumber, const PortPins& pins)
{
    try {
        if (m_port.portOpen() && m_port.commPort() == portNumber)
            return;
        // The run on the previous port ends before that port closes; its history goes with it.
        m_monitor.stop();
        m_port.setPortOpen(false);
        m_port.setInBufferCount(0);
        m_port.setOutBufferCount(0);
        m_port.setCommPort(portNumber);
        m_port.setDevicePath(portChoice(portNumber, pins).path);
        resetToEmptyRows(m_display);
        m_view.setSendEnabled(true);
        openPort(m_port);
        m_monitor.start();
    } catch (const PortError& error) {
        // Every step before the open left the port closed, and a failed open closes it too.
        showStopped(portNumber);
        Q_EMIT refused(portNumber,
                       didNotOpen(QStringLiteral("Comm Port %1").arg(portNumber), error));
    }
}

void PortSelection::showStopped(int portNumber)
{
    m_view.setSendEnabled(false);
    m_view.unselectPortButton(portNumber);
}

} // namespace dravix
