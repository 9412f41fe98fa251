#include "receivemonitor.h"

#include "conversion.h"
#include "monitordisplay.h"
#include "serialport.h"
#include "takereading.h"

#include <array>

namespace dravix {

ReceiveMonitor::ReceiveMonitor(SerialPort& port, MonitorDisplay& display, QObject* parent)
    : QObject(parent), m_port(port), m_display(display)
{
    // A zero timer, not a posted event: posting locks the event queue and wakes the loop
    // with a system call each time. The loop runs the events posted before a timer's turn
    // first, so a click still comes before the next reading.
    m_turnTimer.setSingleShot(true);
    m_turnTimer.setInterval(0);
    connect(&m_turnTimer, &QTimer::timeout, this, &ReceiveMonitor::turn);
    connect(&m_port, &SerialPort::charactersArrived, this, &ReceiveMonitor::scheduleTurn);
}

void ReceiveMonitor::start()
{
    m_history.emplace();
    Q_EMIT runStarted();
    // The first turn carries out a clear requested while no run existed.
    scheduleTurn();
}

void ReceiveMonitor::stop()
{
    m_history.reset();
}

void ReceiveMonitor::requestClear()
{
    m_clearRequested = true;
    scheduleTurn();
}

void ReceiveMonitor::scheduleTurn()
{
    if (!running() || m_turnTimer.isActive())
        return;
    if (m_clearRequested || m_port.inBufferCount() >= kReadingLength)
        m_turnTimer.start();
}

// The road of one reading: port -> reading -> history -> display; at most one per turn.
void ReceiveMonitor::turn()
{
    if (!running())
        return;
    try {
        if (m_clearRequested)
            carryOutClear();
        const auto reading = takeReading(m_port);
        if (!reading)
            return;
        const QByteArray text = readingOf(*reading);
        m_history->add(text);
        showHistory();
        Q_EMIT readingTaken(text);
    } catch (const PortError& error) {
        // The run ends here; whoever started it decides what becomes of the port.
        stop();
        Q_EMIT runFailed(error);
        return;
    }
    scheduleTurn();
}

void ReceiveMonitor::carryOutClear()
{
    m_port.setInBufferCount(0);
    m_history->clear();
    // Blank rows in both lists, not the "0.0" an empty slot shows after a reading.
    resetToEmptyRows(m_display);
    m_clearRequested = false;
    Q_EMIT cleared();
}

void ReceiveMonitor::showHistory()
{
    std::array<QString, kHistorySlots> hexRows;
    std::array<QString, kHistorySlots> decimalRows;
    for (int k = 0; k < kHistorySlots; ++k) {
        const QByteArray& slot = m_history->slot(k);
        hexRows.at(k) = hexRowText(slot);
        decimalRows.at(k) = decimalRowText(slot, m_decimalSeparator);
    }
    m_display.setRows(hexRows, decimalRows);
}

} // namespace dravix
