#include "devicequirks.h"

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

} // namespace dravix::devicequirks
