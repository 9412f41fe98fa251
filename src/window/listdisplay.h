#pragma once

#include "monitordisplay.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
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
    void setHexRows(std::span<const QString> texts) override;
    void setDecimalRows(std::span<const QString> texts) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A list and the texts its rows hold, kept here so a write compares without asking it.
    struct List
    {
        QListWidget& widget;
        QStringList rows;
    };

    void setRow(List& list, int row, const QString& text);
    void setRows(List& list, std::span<const QString> texts);
    void limitPaintRate();
    void resumePainting();

    List m_hexList;
    List m_decimalList;
    QElapsedTimer m_sincePaint;
    QTimer m_resumeTimer;
};

} // namespace dravix
