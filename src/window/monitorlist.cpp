#include "monitorlist.h"

#include <QAccessible>

namespace dravix {

void MonitorList::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                              const QList<int>& roles)
{
    // The base also works out each changed row's rectangle, even while painting is held;
    // a screen reader still gets its notifications through it.
    if (QAccessible::isActive())
        QListWidget::dataChanged(topLeft, bottomRight, roles);
    else
        viewport()->update();
}

} // namespace dravix
