#include "monitordisplay.h"

#include "readinghistory.h"

namespace dravix {

void resetToEmptyRows(MonitorDisplay& display)
{
    display.clearLists();
    for (int row = 0; row < kHistorySlots; ++row) {
        display.setHexRow(row, QString());
        display.setDecimalRow(row, QString());
    }
}

} // namespace dravix
