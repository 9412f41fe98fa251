#include "receivemonitor.h"

#include "conversion.h"
#include "serialport.h"

#include <algorithm>

namespace dravix {

ReceiveMonitor::ReceiveMonitor(SerialPort& port, MonitorDisplay& display, QObject* parent)
    : QObject(parent), m_port(port), m_display(display)
{
    m_turnTimer.setSingleShot(true);
    m_turnTimer.setInterval(0);
    connect(&m_turnTimer, &QTimer::timeout, this, &ReceiveMonitor::turn);
    connect(&m_port, &SerialPort::charactersArrived, this, &ReceiveMonitor::takeArrival);
}

void ReceiveMonitor::setDecimalSeparator(const QString& separator)
{
    m_decimalSeparator = separator;
    if (!m_history)
        return;
    for (int k = 0; k < kHistorySlots; ++k)
        m_decimalRows.at(k) = decimalRowText(m_history->slot(k), m_decimalSeparator);
}

void ReceiveMonitor::start()
{
    m_history.emplace();
    resetRowTexts();
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

void ReceiveMonitor::takeArrival()
{
    // The arrival is a turn of its own: a reading that wakes the program shows at once,
    // without another pass of the event loop. Anything already queued keeps its place.
    if (!m_running || m_turnTimer.isActive() || m_followUpPosted || !m_port.readingWaiting()) {
        scheduleTurn();
        return;
    }
    if (!takeOneReading())
        return;
    // The loop fires due timers right after the notifier that brought the arrival, before
    // the events posted meanwhile (a click); a posted turn waits behind them.
    m_followUpPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_followUpPosted = false;
            turn();
        },
        Qt::QueuedConnection);
}

void ReceiveMonitor::scheduleTurn()
{
    if (!m_running || m_turnTimer.isActive() || m_followUpPosted)
        return;
    // A turn with no clear to carry out and no whole reading waiting would do nothing; most
    // characters arrive one at a time, so skip queueing it.
    if (!m_clearRequested && !m_port.readingWaiting())
        return;
    // A timer rather than a posted event: no allocation and no wake-up of the loop per turn.
    m_turnTimer.start();
}

void ReceiveMonitor::turn()
{
    if (takeOneReading())
        scheduleTurn();
}

bool ReceiveMonitor::takeOneReading()
{
    if (!m_running)
        return false;
    try {
        if (m_clearRequested)
            carryOutClear();
        if (!m_port.readingWaiting())
            return false;
        const QByteArray reading = readOneReading();
        m_history->add(reading);
        std::move_backward(m_hexRows.begin(), m_hexRows.end() - 1, m_hexRows.end());
        std::move_backward(m_decimalRows.begin(), m_decimalRows.end() - 1, m_decimalRows.end());
        m_hexRows.front() = hexRowText(reading);
        m_decimalRows.front() = decimalRowText(reading, m_decimalSeparator);
        showHistory();
        return m_port.readingWaiting();
    } catch (const PortError& error) {
        // The run ends here; whoever started it decides what becomes of the port.
        stop();
        Q_EMIT runFailed(error);
        return false;
    }
}

void ReceiveMonitor::carryOutClear()
{
    m_port.setInBufferCount(0);
    m_history->clear();
    resetRowTexts();
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

void ReceiveMonitor::resetRowTexts()
{
    // What an empty slot shows once a reading has arrived.
    m_hexRows.fill(hexRowText(QByteArray()));
    m_decimalRows.fill(decimalRowText(QByteArray(), m_decimalSeparator));
}

void ReceiveMonitor::showHistory()
{
    // The hexadecimal list first: whoever watches it sees the decimal row of the reading before.
    m_display.setHexRows(m_hexRows);
    m_display.setDecimalRows(m_decimalRows);
}

} // namespace dravix
