#include "receivemonitor.h"

#include "conversion.h"
#include "serialport.h"

#include <QMetaObject>

namespace dravix {

ReceiveMonitor::ReceiveMonitor(SerialPort& port, MonitorDisplay& display, QObject* parent)
    : QObject(parent), m_port(port), m_display(display)
{
    connect(&m_port, &SerialPort::charactersArrived, this, &ReceiveMonitor::scheduleTurn);
}

void ReceiveMonitor::start()
{
    m_history.emplace();
    m_running = true;
    // The first turn carries out a clear requested while no run existed.
    scheduleTurn();
}

void ReceiveMonitor::stop()
{
    m_running = false;
    m_history.reset();
}

void ReceiveMonitor::requestClear()
{
    m_clearRequested = true;
    scheduleTurn();
}

void ReceiveMonitor::scheduleTurn()
{
    if (!m_running || m_turnQueued)
        return;
    // A turn with no clear to carry out and no whole reading waiting would do nothing; most
    // characters arrive one at a time, so skip queueing it.
    if (!m_clearRequested && m_port.inBufferCount() < kReadingLength)
        return;
    m_turnQueued = true;
    QMetaObject::invokeMethod(this, &ReceiveMonitor::turn, Qt::QueuedConnection);
}

void ReceiveMonitor::turn()
{
    m_turnQueued = false;
    if (!m_running)
        return;
    try {
        if (m_clearRequested)
            carryOutClear();
        if (m_port.inBufferCount() < kReadingLength)
            return;
        m_history->add(readOneReading());
        showHistory();
        if (m_port.inBufferCount() >= kReadingLength)
            scheduleTurn();
    } catch (const PortError& error) {
        // The run ends here; whoever started it decides what becomes of the port.
        stop();
        Q_EMIT runFailed(error);
    }
}

void ReceiveMonitor::carryOutClear()
{
    m_port.setInBufferCount(0);
    m_history->clear();
    // Blank rows in both lists, not the "0.0" an empty slot shows after a reading.
    resetToEmptyRows(m_display);
    m_clearRequested = false;
}

QByteArray ReceiveMonitor::readOneReading()
{
    std::array<unsigned char, kReadingLength> chars{};
    for (unsigned char& c : chars) {
        const auto reduced = reduceRead(m_port.input());
        if (!reduced)
            throw PortError(PortErrorCode::EmptyRead);
        c = *reduced;
    }
    return completeReading(chars);
}

void ReceiveMonitor::showHistory()
{
    for (int k = 0; k < kHistorySlots; ++k) {
        const QByteArray& slot = m_history->slot(k);
        m_display.setHexRow(k, hexRowText(slot));
        m_display.setDecimalRow(k, decimalRowText(slot, m_decimalSeparator));
    }
}

} // namespace dravix
