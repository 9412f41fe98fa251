#pragma once

#include <QList>
#include <QSerialPort>
#include <QString>

#include <optional>

namespace dravix {

// A serial port the machine has now, as a newcomer needs to recognise it.
struct SerialDevice
{
    QString portName; // ttyUSB0, COM3
    QString path;     // /dev/ttyUSB0, COM3
    QString description;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
    QString serialNumber;
    QString byIdPath; // a /dev/serial/by-id link to it, stable across replugging
};

// The ports present now (Qt lists only those that exist), in the order ports 1 and 2 take
// them: onboard ttyS ports first, then USB and ACM adapters, each by name and number.
[[nodiscard]] QList<SerialDevice> presentSerialDevices();
void sortForPortNumbers(QList<SerialDevice>& devices);

// The device behind port 1 or 2 given the ports present: DRAVIX_PORTn when set, COM1 and
// COM2 on Windows, else the first and second present port, falling back to /dev/ttyS0 and
// /dev/ttyS1. Empty for any other port number.
[[nodiscard]] QString chooseDevicePath(int portNumber, const QList<SerialDevice>& present);

// What a click on port 1 or 2 would open now, and whether that device is there.
struct PortTarget
{
    QString path;
    bool present = false;
};
[[nodiscard]] PortTarget portTarget(int portNumber);

// The `--list-ports` text: each present port with what identifies it and its button.
[[nodiscard]] QString portListing(const QList<SerialDevice>& present);

// Why an open failed, with the fix for the common cases, as one line for standard error.
[[nodiscard]] QString explainOpenFailure(QSerialPort::SerialPortError error, const QString& path,
                                         const QString& qtReason, const QString& holder);

} // namespace dravix
