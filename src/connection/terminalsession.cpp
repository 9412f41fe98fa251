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
            [this](int portNumber, const QString& line) {
                m_refusals.at(portNumber - 1) = line;
                Q_EMIT diagnostic(line);
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
    if (portNumber != 1 && portNumber != 2)
        return;
    m_refusals.at(portNumber - 1).clear();
    // A run this selection starts is traced under the port's name.
    m_selectingSource = QStringLiteral("Comm Port %1 (%2)")
                            .arg(portNumber)
                            .arg(portTarget(portNumber, m_pins.at(portNumber - 1)).choice.path);
    m_selection.select(portNumber, m_pins.at(portNumber - 1));
}

void TerminalSession::pinPort(int portNumber, const QString& device)
{
    if (portNumber == 1 || portNumber == 2)
        m_pins.at(portNumber - 1).commandLine = device;
}

void TerminalSession::choosePortDevice(int portNumber, const QString& device)
{
    if (portNumber == 1 || portNumber == 2)
        m_pins.at(portNumber - 1).menu = device;
}

QString TerminalSession::portToolTip(int portNumber) const
{
    if (portNumber != 1 && portNumber != 2)
        return {};
    const PortTarget target = portTarget(portNumber, m_pins.at(portNumber - 1));
    QString tip = QStringLiteral("Opens %1").arg(target.choice.path);
    if (!target.present)
        tip += QStringLiteral(", which is not present");
    tip += QStringLiteral(" (%1)").arg(portSourceName(target.choice.source, portNumber));
    if (const QString& refusal = m_refusals.at(portNumber - 1); !refusal.isEmpty())
        tip += u'\n' + refusal;
    return tip;
}

QList<PortMenuEntry> TerminalSession::portMenu(int portNumber) const
{
    if (portNumber != 1 && portNumber != 2)
        return {};
    const QList<SerialDevice> present = presentSerialDevices();
    const PortChoice choice = choosePort(portNumber, present, m_pins.at(portNumber - 1));
    const bool automatic = choice.source == PortSource::Automatic;
    QList<PortMenuEntry> entries{{QStringLiteral("Automatic"), {}, automatic}};
    bool listed = automatic;
    for (const SerialDevice& device : present) {
        const bool chosen = !automatic && device.path == choice.path;
        listed = listed || chosen;
        entries.append({portTitle(device), device.path, chosen});
    }
    // A pinned device Qt does not list (a pseudo-terminal, a by-id link) is still the choice.
    if (!listed) {
        entries.append(
            {QStringLiteral("%1 (%2)").arg(choice.path, portSourceName(choice.source, portNumber)),
             choice.path, true});
    }
    return entries;
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
