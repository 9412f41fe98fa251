#include "portdevices.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <tuple>

namespace dravix {
namespace {

// ttyS10 after ttyS2: the name's letters, then its number.
[[nodiscard]] std::tuple<bool, QString, qlonglong, QString> orderKey(const SerialDevice& device)
{
    const QString& name = device.portName;
    qsizetype digits = name.size();
    while (digits > 0 && name.at(digits - 1).isDigit())
        --digits;
    const bool onboard = name.startsWith(QStringLiteral("ttyS"));
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

} // namespace

void sortForPortNumbers(QList<SerialDevice>& devices)
{
    std::sort(devices.begin(), devices.end(), [](const SerialDevice& a, const SerialDevice& b) {
        return orderKey(a) < orderKey(b);
    });
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
    sortForPortNumbers(devices);
    return devices;
}

QString chooseDevicePath(int portNumber, const QList<SerialDevice>& present)
{
    if (portNumber != 1 && portNumber != 2)
        return {};
    const QByteArray override = qgetenv(portNumber == 1 ? "DRAVIX_PORT1" : "DRAVIX_PORT2");
    if (!override.isEmpty())
        return QString::fromLocal8Bit(override);
#ifdef Q_OS_WIN
    Q_UNUSED(present)
    return portNumber == 1 ? QStringLiteral("COM1") : QStringLiteral("COM2");
#else
    if (present.size() >= portNumber)
        return present.at(portNumber - 1).path;
    return portNumber == 1 ? QStringLiteral("/dev/ttyS0") : QStringLiteral("/dev/ttyS1");
#endif
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

QString portListing(const QList<SerialDevice>& present)
{
    QString text = present.isEmpty() ? QStringLiteral("No serial ports found.\n") : QString();
    for (const SerialDevice& device : present) {
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
            if (chooseDevicePath(n, present) == device.path)
                text += QStringLiteral("  -> Comm Port %1").arg(n);
        }
        text += u'\n';
    }
    for (const int n : {1, 2}) {
        const QString path = chooseDevicePath(n, present);
        const bool listed = std::any_of(present.begin(), present.end(),
                                        [&](const SerialDevice& d) { return d.path == path; });
        if (!listed)
            text += QStringLiteral("Comm Port %1 opens %2, which is not listed\n").arg(n).arg(path);
    }
    return text;
}

QString explainOpenFailure(QSerialPort::SerialPortError error, const QString& path,
                           const QString& qtReason, const QString& holder)
{
    // Qt reports a port that another Qt program holds as a permission error, so the holder,
    // when there is one, is the reason.
    if (!holder.isEmpty())
        return QStringLiteral("%1: in use by %2; close it there first").arg(path, holder);
    switch (error) {
    case QSerialPort::PermissionError:
        return QStringLiteral("%1: permission denied; add yourself to the group that owns it "
                              "(usually dialout: sudo usermod -aG dialout $USER), then log out "
                              "and in again")
            .arg(path);
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("%1: no such device; is the drive's adapter plugged in? "
                              "dravix-terminal --list-ports shows the ports there are, and "
                              "DRAVIX_PORT1 or DRAVIX_PORT2 picks one")
            .arg(path);
    default:
        break;
    }
    return QStringLiteral("%1: %2").arg(path, qtReason);
}

} // namespace dravix
