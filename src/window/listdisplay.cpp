#include "listdisplay.h"

#include <QListWidget>

namespace dravix {
namespace {
constexpr int kFrameIntervalMs = 16;
} // namespace

ListDisplay::ListDisplay(QListWidget& hexList, QListWidget& decimalList, QObject* parent)
    : QObject(parent), m_hexList(hexList), m_decimalList(decimalList)
{
    m_paintTimer.setSingleShot(true);
    m_paintTimer.setInterval(kFrameIntervalMs);
    connect(&m_paintTimer, &QTimer::timeout, this, &ListDisplay::resumePainting);
}

void ListDisplay::clearLists()
{
    holdPainting();
    m_hexList.clear();
    m_decimalList.clear();
}

void ListDisplay::setHexRow(int row, const QString& text)
{
    setRow(m_hexList, row, text);
}

void ListDisplay::setDecimalRow(int row, const QString& text)
{
    setRow(m_decimalList, row, text);
}

void ListDisplay::setRow(QListWidget& list, int row, const QString& text)
{
    holdPainting();
    if (row == list.count()) {
        list.addItem(text);
    } else if (QListWidgetItem* item = list.item(row)) {
        if (item->text() != text)
            item->setText(text);
    }
}

void ListDisplay::holdPainting()
{
    if (m_paintTimer.isActive())
        return;
    m_hexList.setUpdatesEnabled(false);
    m_decimalList.setUpdatesEnabled(false);
    m_paintTimer.start();
}

void ListDisplay::resumePainting()
{
    // Re-enabling repaints each list once with everything written meanwhile.
    m_hexList.setUpdatesEnabled(true);
    m_decimalList.setUpdatesEnabled(true);
}

} // namespace dravix
