#pragma once

#include "linesettings.h"
#include "parityunmarker.h"
#include "portdevices.h"
#include "porterror.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

namespace dravix {

// The terminal's one serial port: the eight operations the program relies on, raising
// PortError on failure, plus notifications for arriving characters and a failed device.
class SerialPort final : public QObject
{
    Q_OBJECT

public:
    explicit SerialPort(QObject* parent = nullptr);
    ~SerialPort() override;

    [[nodiscard]] int commPort() const { return m_commPort; }
    void setCommPort(int portNumber);

    [[nodiscard]] QString settings() const { return m_settingsText; }
    void setSettings(const QString& text);

    [[nodiscard]] int inputLen() const { return m_inputLen; }
    void setInputLen(int length);

    [[nodiscard]] bool portOpen() const;
    void setPortOpen(bool open);

    // Characters received and not yet taken by input().
    [[nodiscard]] qint64 inBufferCount() const { return m_received.size(); }
    void setInBufferCount(qint64 count);

    void setOutBufferCount(qint64 count);

    // Takes the oldest waiting characters, inputLen() of them (all of them when it is 0).
    [[nodiscard]] QByteArray input();

    // Queues one byte per character: Latin-1 as is, anything else as '?'.
    void output(QStringView text);

    // Any device (a path, ttyUSB0, COM3) to open instead of port 1 or 2; empty: the port's.
    void setDevicePath(const QString& path);

    // The device path that opening would use.
    [[nodiscard]] QString devicePath() const
    {
        return m_devicePath.isEmpty() ? portDevicePath(m_commPort) : m_devicePath;
    }

Q_SIGNALS:
    void charactersArrived();
    // Emitted once when an open port's device fails; the port is closed by then.
    void portFailed(const dravix::PortError& error);

private:
    // Appends what the device sent, its parity marks undone.
    void receive();
    void discardReceived();
    void handleError(int error);
    void probeForHangUp();
    // The one way a device failure ends: the port closes, then portFailed is told once.
    void failDevice(const QString& reason);
    void closePort();

    QSerialPort* m_port;
    QTimer m_hangUpProbe;
    // What the device sent and input() has not taken, parity marks undone.
    QByteArray m_received;
    ParityUnmarker m_unmarker;
    int m_commPort = 1;
    QString m_devicePath;
    QString m_settingsText = QString::fromLatin1(kDesignSettings);
    LineSettings m_settings;
    int m_inputLen = 1;
    // While setPortOpen sets the port up, it decides itself what an error means.
    bool m_opening = false;
};

// One byte per character for the device: Latin-1 passes, all else (one code point) becomes '?'.
[[nodiscard]] QByteArray toDeviceBytes(QStringView text);

// Whether an error Qt reports on an open port means its device failed. Drivers report an
// unplugged adapter in many ways, so anything does but a refused setting, a wait that timed
// out and a call the port was in no state for.
[[nodiscard]] bool meansDeviceFailed(QSerialPort::SerialPortError error);

} // namespace dravix
