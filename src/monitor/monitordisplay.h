#pragma once

#include <QString>

#include <span>

namespace dravix {

// The two monitor lists as the monitor writes them: rows 0 on of the hexadecimal and of the
// decimal list at once, each existing row set and a row just past the last appended.
class MonitorDisplay
{
public:
    virtual ~MonitorDisplay() = default;
    virtual void clearLists() = 0;
    virtual void setRows(std::span<const QString> hexRows,
                         std::span<const QString> decimalRows) = 0;
};

// Both lists emptied, then ten empty rows in each.
void resetToEmptyRows(MonitorDisplay& display);

} // namespace dravix
