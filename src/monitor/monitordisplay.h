#pragma once

#include <QString>

namespace dravix {

// The two monitor lists as the monitor writes them: row k of the hexadecimal and of the
// decimal list; setting the row just past the last one appends it.
class MonitorDisplay
{
public:
    virtual ~MonitorDisplay() = default;
    virtual void clearLists() = 0;
    virtual void setHexRow(int row, const QString& text) = 0;
    virtual void setDecimalRow(int row, const QString& text) = 0;
};

// Both lists emptied, then ten empty rows in each.
void resetToEmptyRows(MonitorDisplay& display);

} // namespace dravix
