#include "monitorlist.h"

#include <QAccessible>

namespace dravix {

void MonitorList::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                              const QList<int>& roles)
{
    // A screen reader still gets its notifications through the base.
    if (QAccessible::isActive())
        QListWidget::dataChanged(topLeft, bottomRight, roles);
    else
        viewport()->update();
}

} // namespace dravix
