#pragma once

#include <QSerialPort>
#include <QtGlobal>

#include <utility>

namespace dravix::devicequirks {

// A descriptor on POSIX, a HANDLE on Windows.
using NativeHandle = decltype(std::declval<QSerialPort&>().handle());

// True when the device behind an open port's native handle has hung up (adapter unplugged,
// the far side of a pseudo-terminal closed). Never true for a line that is only quiet.
[[nodiscard]] bool hungUp(NativeHandle handle);

// Takes the advisory lock that the serial tools people keep beside a terminal take (tio,
// picocom, GTKTerm); false when another holder has it. Closing the handle releases it.
[[nodiscard]] bool lockExclusively(NativeHandle handle);

// Keeps a character received with a parity error in the stream instead of dropping it: on
// POSIX marked (see ParityUnmarker), on Windows replaced by '?' in the driver.
void keepParityErrors(NativeHandle handle);
// Whether what the port reads still carries those marks.
[[nodiscard]] bool parityErrorsArriveMarked();

} // namespace dravix::devicequirks
