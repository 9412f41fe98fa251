#pragma once

#include "linesettings.h"
#include "parityunmarker.h"
#include "porterror.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

namespace dravix {

// The serial port: open with the line settings and the lock, bytes in (parity marks undone) and
// out, raising PortError on failure, and one notice when an open port's device fails.
class SerialPort final : public QObject
{
    Q_OBJECT

public:
    explicit SerialPort(QObject* parent = nullptr);
    ~SerialPort() override;

    // The number of the port last chosen (1 or 2), as the selection's guard reads it.
    [[nodiscard]] int commPort() const { return m_commPort; }
    void setCommPort(int portNumber);

    void setSettings(const QString& text);

    // How many characters one input() takes, 1 or more.
    void setInputLen(int length);

    [[nodiscard]] bool portOpen() const;
    void setPortOpen(bool open);

    // Characters received and not yet taken by input().
    [[nodiscard]] qint64 inBufferCount() const { return m_received.size(); }
    void setInBufferCount(qint64 count);

    void setOutBufferCount(qint64 count);

    // Takes the oldest waiting characters, as many as the input length and as wait.
    [[nodiscard]] QByteArray input();

    // Queues one byte per character: Latin-1 as is, anything else as '?'.
    void output(QStringView text);

    // The device the next open uses: a path, ttyUSB0, COM3.
    void setDevicePath(const QString& path);
    [[nodiscard]] QString devicePath() const { return m_devicePath; }

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
