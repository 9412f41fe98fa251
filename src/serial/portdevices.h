#pragma once

#include <QList>
#include <QSerialPort>
#include <QString>

#include <array>
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
    QString manufacturer;
};

// What a port is, as far as the system tells.
enum class PortKind { Unknown, Onboard, Usb, Bluetooth, Virtual };

// How a platform names its serial ports and hands them out, as far as ports 1 and 2 and the
// reasons one did not open depend on it.
struct PortNaming
{
    // Ports whose name starts so are onboard and come before adapters; empty when none do.
    QString onboardPrefix;
    // Dropped from a path, so that a port is named as its users write it (\\.\COM3 is COM3).
    QString namespacePrefix;
    // Names are written in capitals, since the system ignores case in them.
    bool ignoresCase = false;
    // What ports 1 and 2 open when fewer ports are present.
    QString fallback1;
    QString fallback2;
    // A port opens for one program at a time and the next is told "access denied".
    bool deniedMeansInUse = false;
};

// Linux and the other POSIX systems: onboard ttyS ports first, else /dev/ttyS0 and /dev/ttyS1.
[[nodiscard]] PortNaming posixPortNaming();
// Windows: COM ports by number, else COM1 and COM2.
[[nodiscard]] PortNaming windowsPortNaming();
// The naming of the system this program runs on.
[[nodiscard]] PortNaming platformPortNaming();

// A path as the naming writes it: \\.\COM3 and com3 are COM3 on Windows.
[[nodiscard]] QString normalisedPortPath(const QString& path, const PortNaming& naming);

[[nodiscard]] PortKind portKind(const SerialDevice& device, const PortNaming& naming);
// "USB", "Bluetooth", "onboard", "virtual"; empty when unknown.
[[nodiscard]] QString kindName(PortKind kind);

// The ports present now (Qt lists only those that exist), in the order ports 1 and 2 take
// them: onboard ports first, then the rest by name and number (COM2, COM3, COM10; ttyS0,
// ttyUSB0, ttyUSB1), Bluetooth and other virtual ports last, each path as the platform's
// users write it.
[[nodiscard]] QList<SerialDevice> presentSerialDevices();

// DRAVIX_PORT1 or DRAVIX_PORT2 as the naming writes it, pinning port 1 or 2 to a device;
// empty when not set.
[[nodiscard]] QString pinnedDevicePath(int portNumber,
                                       const PortNaming& naming = platformPortNaming());

// How the device behind a port button was chosen.
enum class PortSource { Automatic, Menu, CommandLine, Environment };

// What fixes the device behind a port button, strongest first: a choice in the window's menu,
// then --port1 or --port2, then DRAVIX_PORT1 or DRAVIX_PORT2; automatic when none does.
struct PortPins
{
    std::optional<QString> menu; // a device, or empty for "Automatic" chosen in the menu
    QString commandLine;
};

// "automatic", "chosen in the menu", "--port1", "DRAVIX_PORT1".
[[nodiscard]] QString portSourceName(PortSource source, int portNumber);

struct PortChoice
{
    QString path;
    PortSource source = PortSource::Automatic;
};

// The device behind port 1 or 2 given the ports present, in any order: the pinned one when
// set, else the first and second present port, falling back to the naming's fallbacks. Empty
// for any other port number.
[[nodiscard]] PortChoice choosePort(int portNumber, const QList<SerialDevice>& present,
                                    const PortPins& pins,
                                    const PortNaming& naming = platformPortNaming());
// The choice a click on port 1 or 2 makes now; the system is asked for its ports only when
// nothing pins the port.
[[nodiscard]] PortChoice portChoice(int portNumber, const PortPins& pins);
// The device that opening port 1 or 2 uses now; the system is asked for its ports only when
// no device is pinned.
[[nodiscard]] QString portDevicePath(int portNumber);

// What a click on port 1 or 2 would open now, how that was chosen, and whether it is there.
struct PortTarget
{
    PortChoice choice;
    bool present = false;
};
[[nodiscard]] PortTarget portTarget(int portNumber, const PortPins& pins = {});

// A port as a menu names it: "COM5 — USB Serial Port (FTDI 0403:6001, serial A1B2C3)".
[[nodiscard]] QString portTitle(const SerialDevice& device,
                                const PortNaming& naming = platformPortNaming());

// The `--list-ports` text: each present port with what identifies it and its button.
[[nodiscard]] QString portListing(const QList<SerialDevice>& present,
                                  const PortNaming& naming = platformPortNaming(),
                                  const std::array<PortPins, 2>& pins = {});

} // namespace dravix
