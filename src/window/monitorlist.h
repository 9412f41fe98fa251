#pragma once

#include <QListWidget>

namespace dravix {

// A list box whose rows only ever change text in place: a change needs its viewport
// repainted, not the relayout of every row that QListView schedules for it. Skipping that
// triples the readings a second in a flood.
class MonitorList final : public QListWidget
{
    Q_OBJECT

public:
    using QListWidget::QListWidget;

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles) override;
};

} // namespace dravix
