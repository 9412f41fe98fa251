#pragma once

#include "monitordisplay.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QListWidget;

namespace dravix {

// Writes the monitor's rows into the two list boxes, but repaints them at most once per
// display frame: a fast device must not cost a repaint per reading.
class ListDisplay final : public QObject, public MonitorDisplay
{
    Q_OBJECT

public:
    ListDisplay(QListWidget& hexList, QListWidget& decimalList, QObject* parent = nullptr);

    void clearLists() override;
    void setRows(std::span<const QString> hexRows, std::span<const QString> decimalRows) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void setListRows(QListWidget& list, std::span<const QString> texts);
    void holdPaintsUntilNextFrame();
    void resumePainting();

    QListWidget& m_hexList;
    QListWidget& m_decimalList;
    QElapsedTimer m_sincePaint;
    QTimer m_resumeTimer;
};

} // namespace dravix
