#include "terminalsession.h"

#include "linesettings.h"
#include "monitordisplay.h"

#include <QDateTime>

#include <cstdio>

namespace dravix {

TerminalSession::TerminalSession(MonitorDisplay& display, ConnectionView& view, QObject* parent)
    : QObject(parent), m_display(display), m_view(view), m_monitor(m_port, display),
      m_selection(m_port, m_monitor, display, view), m_transmit(m_port)
{
    m_clock.start();
    connect(&m_monitor, &ReceiveMonitor::runStarted, this, [this] {
        m_trace.startTrace(m_clock.nsecsElapsed(), QDateTime::currentDateTime(), m_selectingSource);
    });
    connect(&m_monitor, &ReceiveMonitor::cleared, this, [this] {
        m_trace.startTrace(m_clock.nsecsElapsed(), QDateTime::currentDateTime(), m_trace.source());
    });
    connect(&m_monitor, &ReceiveMonitor::readingTaken, this, [this](const QByteArray& reading) {
        m_trace.addReading(m_clock.nsecsElapsed(), reading);
    });
    connect(&m_selection, &PortSelection::refused, this,
            [this](int portNumber, const QString& why) {
                Q_EMIT diagnostic(
                    QStringLiteral("Comm Port %1 did not open: %2").arg(portNumber).arg(why));
            });
    connect(this, &TerminalSession::diagnostic, this, [](const QString& line) {
        std::fprintf(stderr, "dravix-terminal: %s\n", qPrintable(line));
        std::fflush(stderr);
    });
}

void TerminalSession::setDecimalSeparator(const QString& separator)
{
    m_monitor.setDecimalSeparator(separator);
}

template <typename Handler> void TerminalSession::reportErrors(Handler&& handler)
{
    try {
        handler();
    } catch (const PortError& error) {
        // The program goes on after the report: nothing has changed but the refused write.
        Q_EMIT errorRaised(error.number(), error.text());
    }
}

template <typename Handler>
void TerminalSession::sendMarked(const QString& label, Handler&& handler)
{
    reportErrors([&] {
        handler();
        m_trace.addMark(m_clock.nsecsElapsed(), label);
    });
}

void TerminalSession::startUp()
{
    if (m_started)
        return;
    m_started = true;
    reportErrors([this] {
        m_view.setSendEnabled(false);
        m_port.setSettings(QString::fromLatin1(kDesignSettings));
        m_port.setInputLen(1);
        m_port.setInBufferCount(0);
        m_port.setOutBufferCount(0);
        resetToEmptyRows(m_display);
    });
}

void TerminalSession::shutDown()
{
    m_port.setPortOpen(false);
    m_monitor.stop();
}

void TerminalSession::selectPort(int portNumber)
{
    startUp();
    // A run this selection starts is traced under the port's name.
    m_selectingSource =
        QStringLiteral("Comm Port %1 (%2)").arg(portNumber).arg(portTarget(portNumber).path);
    m_selection.select(portNumber);
}

void TerminalSession::requestClear()
{
    startUp();
    m_monitor.requestClear();
}

void TerminalSession::send(QStringView text)
{
    startUp();
    sendMarked(QStringLiteral("SEND ") + text.toString(), [this, text] { m_transmit.send(text); });
}

void TerminalSession::posMove()
{
    startUp();
    sendMarked(QStringLiteral("posmove"), [this] { m_transmit.posMove(); });
}

void TerminalSession::negMove()
{
    startUp();
    sendMarked(QStringLiteral("negmov"), [this] { m_transmit.negMove(); });
}

} // namespace dravix
