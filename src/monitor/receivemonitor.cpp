#include "receivemonitor.h"

#include "serialport.h"

#include <QMetaObject>

namespace dravix {
namespace {
const QString kClearRequested = QStringLiteral("yes");
const QString kClearDone = QStringLiteral("no");
} // namespace

void resetToEmptyRows(MonitorDisplay& display)
{
    display.clearLists();
    for (int row = 0; row < kHistorySlots; ++row) {
        display.setHexRow(row, QString());
        display.setDecimalRow(row, QString());
    }
}

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
    m_clearRequest = kClearRequested;
    scheduleTurn();
}

void ReceiveMonitor::scheduleTurn()
{
    if (!m_running || m_turnQueued)
        return;
    // A turn with no clear to carry out and no whole reading waiting would do nothing; most
    // characters arrive one at a time, so skip queueing it.
    if (m_clearRequest != kClearRequested && m_port.inBufferCount() < kReadingLength)
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
        if (m_clearRequest == kClearRequested)
            carryOutClear();
        if (m_port.inBufferCount() < kReadingLength)
            return;
        m_history->add(readOneReading());
        showHistory();
        if (m_port.inBufferCount() >= kReadingLength)
            scheduleTurn();
    } catch (const PortError& error) {
        stop();
        Q_EMIT runFailed(error);
    }
}

void ReceiveMonitor::carryOutClear()
{
    m_display.clearLists();
    m_port.setInBufferCount(0);
    m_history->clear();
    // The decimal list gets the slot's own empty text here, not "0.0".
    for (int k = 0; k < kHistorySlots; ++k) {
        m_display.setHexRow(k, m_history->hexRowText(k));
        m_display.setDecimalRow(k, m_history->hexRowText(k));
    }
    m_clearRequest = kClearDone;
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
        m_display.setHexRow(k, m_history->hexRowText(k));
        m_display.setDecimalRow(k, m_history->decimalRowText(k, m_decimalSeparator));
    }
}

} // namespace dravix
