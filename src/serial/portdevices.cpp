#include "portdevices.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <tuple>

namespace dravix {
namespace {

// ttyS10 after ttyS2 and COM10 after COM2: the name's letters, then its number.
[[nodiscard]] std::tuple<bool, QString, qlonglong, QString> orderKey(const SerialDevice& device,
                                                                     const PortNaming& naming)
{
    const QString& name = device.portName;
    qsizetype digits = name.size();
    while (digits > 0 && name.at(digits - 1).isDigit())
        --digits;
    const bool onboard = !naming.onboardPrefix.isEmpty() && name.startsWith(naming.onboardPrefix);
    return {!onboard, name.left(digits), name.mid(digits).toLongLong(), name};
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
                            byIdLinkTo(info.systemLocation())};
        if (info.hasVendorIdentifier())
            device.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            device.productId = info.productIdentifier();
        devices.append(device);
    }
    return arranged(devices, platformPortNaming());
}

QString chooseDevicePath(int portNumber, const QList<SerialDevice>& present,
                         const PortNaming& naming)
{
    if (portNumber != 1 && portNumber != 2)
        return {};
    if (QString pinned = pinnedDevicePath(portNumber, naming); !pinned.isEmpty())
        return pinned;
    if (present.size() >= portNumber)
        return arranged(present, naming).at(portNumber - 1).path;
    return portNumber == 1 ? naming.fallback1 : naming.fallback2;
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
    return chooseDevicePath(portNumber, pinnedDevicePath(portNumber).isEmpty()
                                            ? presentSerialDevices()
                                            : QList<SerialDevice>());
}

PortTarget portTarget(int portNumber)
{
    const QList<SerialDevice> present = presentSerialDevices();
    PortTarget target{chooseDevicePath(portNumber, present), false};
    target.present = std::any_of(present.begin(), present.end(), [&](const SerialDevice& d) {
        return d.path == target.path || d.portName == target.path;
    });
#ifndef Q_OS_WIN
    // A pseudo-terminal or a by-id link named by DRAVIX_PORTn is not in Qt's list.
    target.present = target.present || QFileInfo::exists(target.path);
#endif
    return target;
}

QString portListing(const QList<SerialDevice>& present, const PortNaming& naming)
{
    const QList<SerialDevice> ports = arranged(present, naming);
    QString text = ports.isEmpty() ? QStringLiteral("No serial ports found.\n") : QString();
    for (const SerialDevice& device : ports) {
        text += device.path;
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
            if (chooseDevicePath(n, ports, naming) == device.path)
                text += QStringLiteral("  -> Comm Port %1").arg(n);
        }
        text += u'\n';
    }
    for (const int n : {1, 2}) {
        const QString path = chooseDevicePath(n, ports, naming);
        const bool listed = std::any_of(ports.begin(), ports.end(),
                                        [&](const SerialDevice& d) { return d.path == path; });
        if (!listed)
            text += QStringLiteral("Comm Port %1 opens %2, which is not listed\n").arg(n).arg(path);
    }
    return text;
}

} // namespace dravix
