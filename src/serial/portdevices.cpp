#include "portdevices.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <tuple>

namespace dravix {
namespace {

// Real ports before virtual ones, onboard ports first; then ttyS10 after ttyS2 and COM10 after
// COM2: the name's letters, then its number.
[[nodiscard]] std::tuple<bool, bool, QString, qlonglong, QString>
orderKey(const SerialDevice& device, const PortNaming& naming)
{
    const QString& name = device.portName;
    qsizetype digits = name.size();
    while (digits > 0 && name.at(digits - 1).isDigit())
        --digits;
    const PortKind kind = portKind(device, naming);
    const bool isVirtual = kind == PortKind::Bluetooth || kind == PortKind::Virtual;
    const bool onboard = !naming.onboardPrefix.isEmpty() && name.startsWith(naming.onboardPrefix);
    return {isVirtual, !onboard, name.left(digits), name.mid(digits).toLongLong(), name};
}

[[nodiscard]] QString byIdLinkTo(const QString& path)
{
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files)) {
        if (link.canonicalFilePath() == path)
            return link.filePath();
    }
    return {};
}

[[nodiscard]] QString hex4(quint16 id)
{
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}

// Paths as the naming writes them, sorted: onboard ports first, then the rest by name and
// number (COM2, COM3, COM10; ttyS0, ttyUSB0, ttyUSB1).
[[nodiscard]] QList<SerialDevice> arranged(QList<SerialDevice> devices, const PortNaming& naming)
{
    for (SerialDevice& device : devices)
        device.path = normalisedPortPath(device.path, naming);
    std::sort(devices.begin(), devices.end(),
              [&naming](const SerialDevice& a, const SerialDevice& b) {
                  return orderKey(a, naming) < orderKey(b, naming);
              });
    return devices;
}

} // namespace

PortKind portKind(const SerialDevice& device, const PortNaming& naming)
{
    const QString& text = device.description;
    // Windows names its Bluetooth serial links "Standard Serial over Bluetooth link", Linux
    // its RFCOMM devices rfcomm0; Intel AMT's serial-over-LAN port is a "- SOL" device.
    if (text.contains(QStringLiteral("Bluetooth"), Qt::CaseInsensitive) ||
        device.portName.startsWith(QStringLiteral("rfcomm")))
        return PortKind::Bluetooth;
    if (text.contains(QStringLiteral("virtual"), Qt::CaseInsensitive) ||
        text.contains(QStringLiteral("Active Management Technology")) ||
        text.contains(QStringLiteral("Serial Over LAN"), Qt::CaseInsensitive))
        return PortKind::Virtual;
    if (device.vendorId && device.productId)
        return PortKind::Usb;
    if ((!naming.onboardPrefix.isEmpty() && device.portName.startsWith(naming.onboardPrefix)) ||
        text == QStringLiteral("Communications Port"))
        return PortKind::Onboard;
    return PortKind::Unknown;
}

QString kindName(PortKind kind)
{
    switch (kind) {
    case PortKind::Unknown:
        break;
    case PortKind::Onboard:
        return QStringLiteral("onboard");
    case PortKind::Usb:
        return QStringLiteral("USB");
    case PortKind::Bluetooth:
        return QStringLiteral("Bluetooth");
    case PortKind::Virtual:
        return QStringLiteral("virtual");
    }
    return {};
}

QString portSourceName(PortSource source, int portNumber)
{
    switch (source) {
    case PortSource::Automatic:
        break;
    case PortSource::Menu:
        return QStringLiteral("chosen in the menu");
    case PortSource::CommandLine:
        return QStringLiteral("--port%1").arg(portNumber);
    case PortSource::Environment:
        return QStringLiteral("DRAVIX_PORT%1").arg(portNumber);
    }
    return QStringLiteral("automatic");
}

PortNaming posixPortNaming()
{
    return {QStringLiteral("ttyS"),       {},   false, QStringLiteral("/dev/ttyS0"),
            QStringLiteral("/dev/ttyS1"), false};
}

PortNaming windowsPortNaming()
{
    // A USB adapter is often the only port, on COM3 or higher: every COM port counts alike.
    return {{},  QStringLiteral("\\\\.\\"), true, QStringLiteral("COM1"), QStringLiteral("COM2"),
            true};
}

PortNaming platformPortNaming()
{
#ifdef Q_OS_WIN
    return windowsPortNaming();
#else
    return posixPortNaming();
#endif
}

QString normalisedPortPath(const QString& path, const PortNaming& naming)
{
    QString normalised = path;
    if (!naming.namespacePrefix.isEmpty() &&
        normalised.startsWith(naming.namespacePrefix, Qt::CaseInsensitive))
        normalised.remove(0, naming.namespacePrefix.size());
    return naming.ignoresCase ? normalised.toUpper() : normalised;
}

QList<SerialDevice> presentSerialDevices()
{
    QList<SerialDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialDevice device{info.portName(),
                            info.systemLocation(),
                            info.description(),
                            {},
                            {},
                            info.serialNumber(),
                            byIdLinkTo(info.systemLocation()),
                            info.manufacturer()};
        if (info.hasVendorIdentifier())
            device.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            device.productId = info.productIdentifier();
        devices.append(device);
    }
    return arranged(devices, platformPortNaming());
}

PortChoice choosePort(int portNumber, const QList<SerialDevice>& present, const PortPins& pins,
                      const PortNaming& naming)
{
    if (portNumber != 1 && portNumber != 2)
        return {};
    const bool menuAutomatic = pins.menu && pins.menu->isEmpty();
    if (pins.menu && !menuAutomatic)
        return {normalisedPortPath(*pins.menu, naming), PortSource::Menu};
    if (!menuAutomatic && !pins.commandLine.isEmpty())
        return {normalisedPortPath(pins.commandLine, naming), PortSource::CommandLine};
    if (QString pinned = pinnedDevicePath(portNumber, naming); !menuAutomatic && !pinned.isEmpty())
        return {pinned, PortSource::Environment};
    if (present.size() >= portNumber)
        return {arranged(present, naming).at(portNumber - 1).path, PortSource::Automatic};
    return {portNumber == 1 ? naming.fallback1 : naming.fallback2, PortSource::Automatic};
}

PortChoice portChoice(int portNumber, const PortPins& pins)
{
    const bool pinned =
        (pins.menu && !pins.menu->isEmpty()) ||
        (!pins.menu && (!pins.commandLine.isEmpty() || !pinnedDevicePath(portNumber).isEmpty()));
    return choosePort(portNumber, pinned ? QList<SerialDevice>() : presentSerialDevices(), pins);
}

QString pinnedDevicePath(int portNumber, const PortNaming& naming)
{
    if (portNumber != 1 && portNumber != 2)
        return {};
    const QByteArray pinned = qgetenv(portNumber == 1 ? "DRAVIX_PORT1" : "DRAVIX_PORT2");
    return pinned.isEmpty() ? QString()
                            : normalisedPortPath(QString::fromLocal8Bit(pinned), naming);
}

QString portDevicePath(int portNumber)
{
    return portChoice(portNumber, {}).path;
}

PortTarget portTarget(int portNumber, const PortPins& pins)
{
    const QList<SerialDevice> present = presentSerialDevices();
    PortTarget target{choosePort(portNumber, present, pins), false};
    const QString& path = target.choice.path;
    target.present = std::any_of(present.begin(), present.end(), [&](const SerialDevice& d) {
        return d.path == path || d.portName == path;
    });
#ifndef Q_OS_WIN
    // A pseudo-terminal or a by-id link that pins a port is not in Qt's list.
    target.present = target.present || QFileInfo::exists(path);
#endif
    return target;
}

QString portTitle(const SerialDevice& device, const PortNaming& naming)
{
    QStringList traits;
    const PortKind kind = portKind(device, naming);
    if (kind == PortKind::Usb) {
        QString usb = device.manufacturer.isEmpty() ? QString() : device.manufacturer + u' ';
        traits.append(usb +
                      QStringLiteral("%1:%2").arg(hex4(*device.vendorId), hex4(*device.productId)));
    } else if (kind != PortKind::Unknown) {
        traits.append(kindName(kind));
    }
    if (!device.serialNumber.isEmpty())
        traits.append(QStringLiteral("serial ") + device.serialNumber);
    QString title = normalisedPortPath(device.path, naming);
    if (!device.description.isEmpty())
        title += QStringLiteral(" \u2014 ") + device.description;
    if (!traits.isEmpty())
        title += QStringLiteral(" (") + traits.join(QStringLiteral(", ")) + u')';
    return title;
}

QString portListing(const QList<SerialDevice>& present, const PortNaming& naming,
                    const std::array<PortPins, 2>& pins)
{
    const QList<SerialDevice> ports = arranged(present, naming);
    QString text = ports.isEmpty() ? QStringLiteral("No serial ports found.\n") : QString();
    for (const SerialDevice& device : ports) {
        text += device.path;
        if (const PortKind kind = portKind(device, naming);
            kind != PortKind::Usb && kind != PortKind::Unknown)
            text += QStringLiteral("  ") + kindName(kind);
        if (!device.description.isEmpty())
            text += QStringLiteral("  ") + device.description;
        if (device.vendorId && device.productId)
            text +=
                QStringLiteral("  USB %1:%2").arg(hex4(*device.vendorId), hex4(*device.productId));
        if (!device.serialNumber.isEmpty())
            text += QStringLiteral("  serial ") + device.serialNumber;
        if (!device.byIdPath.isEmpty())
            text += QStringLiteral("  ") + device.byIdPath;
        for (const int n : {1, 2}) {
            if (choosePort(n, ports, pins.at(n - 1), naming).path == device.path)
                text += QStringLiteral("  -> Comm Port %1").arg(n);
        }
        text += u'\n';
    }
    for (const int n : {1, 2}) {
        const QString path = choosePort(n, ports, pins.at(n - 1), naming).path;
        const bool listed = std::any_of(ports.begin(), ports.end(),
                                        [&](const SerialDevice& d) { return d.path == path; });
        if (!listed)
            text += QStringLiteral("Comm Port %1 opens %2, which is not listed\n").arg(n).arg(path);
    }
    return text;
}

} // namespace dravix
