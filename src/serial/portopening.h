#pragma once

#include "portdevices.h"
#include "porterror.h"

#include <QSerialPort>
#include <QString>

namespace dravix {

class SerialPort;

// Opens the port on its device; when the driver refuses, raises CannotOpenPort with the reason
// and what to do about it, the program holding the device named where it can be found.
void openPort(SerialPort& port);

// "Comm Port 1 did not open: /dev/ttyUSB0: in use by process 4711 (picocom); close it there
// first": one line for standard error, `what` naming the port as the user chose it.
[[nodiscard]] QString didNotOpen(const QString& what, const PortError& error);

// Why an open failed, with the fix for the common cases.
[[nodiscard]] QString explainOpenFailure(QSerialPort::SerialPortError error, const QString& path,
                                         const QString& qtReason, const QString& holder,
                                         const PortNaming& naming = platformPortNaming());

} // namespace dravix
