#pragma once

#include "monitordisplay.h"

#include <QObject>
#include <QTimer>

class QListWidget;

namespace dravix {

// Writes the monitor's rows into the two list boxes at once, but repaints them at most
// once per display frame: a fast device must not cost a repaint per reading.
class ListDisplay final : public QObject, public MonitorDisplay
{
    Q_OBJECT

public:
    ListDisplay(QListWidget& hexList, QListWidget& decimalList, QObject* parent = nullptr);

    void clearLists() override;
    void setHexRow(int row, const QString& text) override;
    void setDecimalRow(int row, const QString& text) override;

private:
    void setRow(QListWidget& list, int row, const QString& text);
    void holdPainting();
    void resumePainting();

    QListWidget& m_hexList;
    QListWidget& m_decimalList;
    QTimer m_paintTimer;
};

} // namespace dravix
