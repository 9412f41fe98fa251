#include "monitordisplay.h"

#include "readinghistory.h"

#include <array>

namespace dravix {

void resetToEmptyRows(MonitorDisplay& display)
{
    display.clearLists();
    const std::array<QString, kHistorySlots> empty;
    display.setRows(empty, empty);
}

} // namespace dravix
