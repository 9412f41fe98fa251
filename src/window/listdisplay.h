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
    void setHexRow(int row, const QString& text) override;
    void setDecimalRow(int row, const QString& text) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setRow(QListWidget& list, int row, const QString& text);
    void holdPaintsUntilNextFrame();
    void setPainting(bool enabled);

    QListWidget& m_hexList;
    QListWidget& m_decimalList;
    QElapsedTimer m_sincePaint;
    QTimer m_resumeTimer;
};

} // namespace dravix
