#include "terminalsession.h"

#include "linesettings.h"
#include "monitordisplay.h"

#include <cstdio>

namespace dravix {

TerminalSession::TerminalSession(MonitorDisplay& display, ConnectionView& view, QObject* parent)
    : QObject(parent), m_display(display), m_view(view), m_monitor(m_port, display),
      m_selection(m_port, m_monitor, display, view), m_transmit(m_port)
{
    connect(&m_selection, &PortSelection::refused, this,
            [this](int, const QString& line) { Q_EMIT diagnostic(line); });
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
    reportErrors([this, text] { m_transmit.send(text); });
}

void TerminalSession::posMove()
{
    startUp();
    reportErrors([this] { m_transmit.posMove(); });
}

void TerminalSession::negMove()
{
    startUp();
    reportErrors([this] { m_transmit.negMove(); });
}

} // namespace dravix
