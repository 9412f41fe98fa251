#include "devicequirks.h"

#include <windows.h>

namespace dravix::devicequirks {

// Qt reports a removed adapter only when a pending read or wait ends, and some drivers
// never end them: the port asks the driver itself.
bool hungUp(NativeHandle handle)
{
    // The driver's status costs one call and fails once the device is gone; a live port
    // answers it even with a line error pending. Qt asks the same call for its queue sizes.
    COMSTAT status{};
    DWORD errors = 0;
    return ::ClearCommError(reinterpret_cast<HANDLE>(handle), &errors, &status) == 0;
}

// Windows opens a COM port for one handle at a time already.
bool lockExclusively(NativeHandle)
{
    return true;
}

void keepParityErrors(NativeHandle handle)
{
    // The driver puts the error character in place of a character with a parity error.
    const auto port = reinterpret_cast<HANDLE>(handle);
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!::GetCommState(port, &dcb))
        return;
    dcb.fParity = TRUE;
    dcb.fErrorChar = TRUE;
    dcb.ErrorChar = '?';
    ::SetCommState(port, &dcb);
}

bool parityErrorsArriveMarked()
{
    return false;
}

} // namespace dravix::devicequirks
