#include "serialport.h"

#include "devicequirks.h"

#include <QScopedValueRollback>
#include <QSerialPort>

#include <algorithm>

namespace dravix {
namespace {
// Often enough that a hang-up stops the connection well within half a second, rare enough to
// cost nothing measurable.
constexpr int kHangUpProbeMs = 200;
} // namespace

SerialPort::SerialPort(QObject* parent) : QObject(parent), m_port(new QSerialPort(this))
{
    // Unlimited: nothing received may be dropped because a buffer filled.
    m_port->setReadBufferSize(0);
    connect(m_port, &QSerialPort::readyRead, this, &SerialPort::receive);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { handleError(error); });
    // Newer Qt SerialPort takes a hung-up tty's empty reads for "nothing yet", and a Windows
    // driver may tell nobody of a removed adapter: the device itself is asked.
    m_hangUpProbe.setInterval(kHangUpProbeMs);
    connect(&m_hangUpProbe, &QTimer::timeout, this, &SerialPort::probeForHangUp);
}

SerialPort::~SerialPort() = default;

void SerialPort::setCommPort(int portNumber)
{
    if (m_port->isOpen())
        throw PortError(PortErrorCode::OperationWhilePortOpen);
    if (portNumber != 1 && portNumber != 2)
        throw PortError(PortErrorCode::InvalidPortNumber, QString::number(portNumber));
    m_commPort = portNumber;
}

void SerialPort::setDevicePath(const QString& path)
{
    if (m_port->isOpen())
        throw PortError(PortErrorCode::OperationWhilePortOpen);
    m_devicePath = path;
}

void SerialPort::setSettings(const QString& text)
{
    const auto parsed = parseLineSettings(text);
    if (!parsed)
        throw PortError(PortErrorCode::InvalidSettings, text);
    m_settings = *parsed;
}

void SerialPort::setInputLen(int length)
{
    if (length < 1)
        throw PortError(PortErrorCode::InvalidPropertyValue, QString::number(length));
    m_inputLen = length;
}

bool SerialPort::portOpen() const
{
    return m_port->isOpen();
}

void SerialPort::setPortOpen(bool open)
{
    if (!open) {
        closePort();
        return;
    }
    if (m_port->isOpen())
        throw PortError(PortErrorCode::PortAlreadyOpen);

    // Closes the port if the attempt got that far, then raises with the driver's reason.
    const auto refuse = [this](QSerialPort::SerialPortError error, const QString& reason) {
        closePort();
        throw PortError(m_devicePath, OpenRefusal{error, reason});
    };
    const QScopedValueRollback opening(m_opening, true);
    m_port->setPortName(m_devicePath);
    if (!m_port->open(QIODevice::ReadWrite))
        refuse(m_port->error(), m_port->errorString());
    // Qt's lock file and exclusive mode do not stop a program that uses neither.
    if (!devicequirks::lockExclusively(m_port->handle()))
        refuse(QSerialPort::OpenError, QStringLiteral("locked by another program"));
    // Qt applies line settings to an open port; a driver that refuses one (a pseudo-terminal
    // keeps no parity) still carries bytes, so only a refused speed or size fails the open.
    const bool applied =
        m_port->setBaudRate(m_settings.baudRate) && m_port->setDataBits(m_settings.dataBits);
    m_port->setParity(m_settings.parity);
    m_port->setStopBits(m_settings.stopBits);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!applied)
        refuse(m_port->error(), m_port->errorString());
    devicequirks::keepParityErrors(m_port->handle());
    // A real line delivers nothing while the port is closed; a pseudo-terminal keeps what
    // was written meanwhile. Start from an empty line either way.
    m_port->clear(QSerialPort::AllDirections);
    m_port->clearError();
    discardReceived();
    m_hangUpProbe.start();
}

void SerialPort::closePort()
{
    m_hangUpProbe.stop();
    // Closing the descriptor also releases its lock.
    if (m_port->isOpen())
        m_port->close();
    m_port->clearError();
    discardReceived();
}

void SerialPort::receive()
{
    const qsizetype before = m_received.size();
    if (devicequirks::parityErrorsArriveMarked())
        m_unmarker.feed(m_port->readAll(), m_received);
    else
        m_received.append(m_port->readAll());
    // A parity mark cut by the read's end brings nothing new until its rest arrives.
    if (m_received.size() > before)
        Q_EMIT charactersArrived();
}

void SerialPort::discardReceived()
{
    m_received.clear();
    m_unmarker.reset();
}

void SerialPort::setInBufferCount(qint64 count)
{
    if (count != 0)
        throw PortError(PortErrorCode::InvalidPropertyValue, QString::number(count));
    if (m_port->isOpen()) {
        m_port->clear(QSerialPort::Input);
        m_port->skip(m_port->bytesAvailable());
    }
    discardReceived();
}

void SerialPort::setOutBufferCount(qint64 count)
{
    if (count != 0)
        throw PortError(PortErrorCode::InvalidPropertyValue, QString::number(count));
    if (m_port->isOpen())
        m_port->clear(QSerialPort::Output);
}

QByteArray SerialPort::input()
{
    if (!m_port->isOpen())
        throw PortError(PortErrorCode::PortNotOpen);
    const qsizetype waiting = m_received.size();
    const qsizetype length = std::min<qsizetype>(m_inputLen, waiting);
    // Qt drops a byte array's front by moving its start, so taking one at a time is cheap.
    QByteArray taken = m_received.first(length);
    m_received.remove(0, length);
    return taken;
}

void SerialPort::output(QStringView text)
{
    if (!m_port->isOpen())
        throw PortError(PortErrorCode::PortNotOpen);
    const QByteArray bytes = toDeviceBytes(text);
    if (bytes.isEmpty())
        return;
    if (m_port->write(bytes) != bytes.size())
        throw PortError(PortErrorCode::DeviceFailed, m_port->errorString());
    // Hand the bytes to the driver now, as a port object's transmit buffer would, so that a
    // later emptying drops only what the line has not yet carried.
    m_port->flush();
}

void SerialPort::handleError(int error)
{
    // Errors while opening are reported by setPortOpen itself.
    if (!m_opening && meansDeviceFailed(static_cast<QSerialPort::SerialPortError>(error)))
        failDevice(m_port->errorString());
}

void SerialPort::probeForHangUp()
{
    if (m_port->isOpen() && devicequirks::hungUp(m_port->handle()))
        failDevice(QStringLiteral("the device hung up"));
}

void SerialPort::failDevice(const QString& reason)
{
    if (!m_port->isOpen())
        return;
    // A vanished device makes Qt report errors (or wake the read notifier) without end;
    // closing releases the descriptor and stops them, so the failure is told exactly once.
    const PortError failure(PortErrorCode::DeviceFailed,
                            m_devicePath + QStringLiteral(" (") + reason + u')');
    closePort();
    Q_EMIT portFailed(failure);
}

bool meansDeviceFailed(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
    // A driver that cannot take a setting still carries bytes.
    case QSerialPort::UnsupportedOperationError:
    // Only a wait for the line times out, and a quiet line is no failure.
    case QSerialPort::TimeoutError:
    // Said of the call (opening twice, using a closed port), not of the device.
    case QSerialPort::OpenError:
    case QSerialPort::NotOpenError:
        return false;
    // Qt's Windows backend reports a removed adapter as a resource, permission or unknown
    // error depending on the driver.
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::PermissionError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
    case QSerialPort::UnknownError:
        return true;
    }
    return true;
}

QByteArray toDeviceBytes(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i; // one code point, one '?'
            bytes.append('?');
        } else if (c.unicode() <= 0xFF) {
            bytes.append(static_cast<char>(c.unicode()));
        } else {
            bytes.append('?');
        }
    }
    return bytes;
}

} // namespace dravix
