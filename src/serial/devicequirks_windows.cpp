#include "devicequirks.h"

#include <windows.h>

namespace dravix::devicequirks {

// Qt's Windows backend reports a removed device as a ResourceError, which the port handles.
bool probesForHangUp()
{
    return false;
}

bool hungUp(qintptr)
{
    return false;
}

// Windows opens a COM port for one handle at a time already.
bool lockExclusively(qintptr)
{
    return true;
}

QString deviceHolder(const QString&)
{
    return {};
}

void keepParityErrors(qintptr handle)
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
