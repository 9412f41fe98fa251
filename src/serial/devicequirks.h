#pragma once

#include <QtGlobal>

namespace dravix::devicequirks {

// Whether this platform needs the port to ask the device itself if it is still there: on
// POSIX a hung-up tty can look merely quiet to Qt, while Windows reports a removed device.
[[nodiscard]] bool probesForHangUp();

// True when the device behind an open port's native handle has hung up (adapter unplugged,
// the far side of a pseudo-terminal closed). Never true for a line that is only quiet.
[[nodiscard]] bool hungUp(qintptr handle);

} // namespace dravix::devicequirks
