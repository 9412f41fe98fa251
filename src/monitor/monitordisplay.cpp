#include "monitordisplay.h"

#include "readinghistory.h"

namespace dravix {

void MonitorDisplay::setHexRows(std::span<const QString> texts)
{
    for (std::size_t row = 0; row < texts.size(); ++row)
        setHexRow(static_cast<int>(row), texts[row]);
}

void MonitorDisplay::setDecimalRows(std::span<const QString> texts)
{
    for (std::size_t row = 0; row < texts.size(); ++row)
        setDecimalRow(static_cast<int>(row), texts[row]);
}

void resetToEmptyRows(MonitorDisplay& display)
{
    display.clearLists();
    for (int row = 0; row < kHistorySlots; ++row) {
        display.setHexRow(row, QString());
        display.setDecimalRow(row, QString());
    }
}

} // namespace dravix
