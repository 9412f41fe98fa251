#include "listdisplay.h"

#include <QEvent>
#include <QListWidget>

namespace dravix {
namespace {
constexpr int kFrameIntervalMs = 16;
} // namespace

ListDisplay::ListDisplay(QListWidget& hexList, QListWidget& decimalList, QObject* parent)
    : QObject(parent), m_hexList(hexList), m_decimalList(decimalList)
{
    m_resumeTimer.setSingleShot(true);
    connect(&m_resumeTimer, &QTimer::timeout, this, &ListDisplay::resumePainting);
    m_hexList.viewport()->installEventFilter(this);
    m_decimalList.viewport()->installEventFilter(this);
}

void ListDisplay::clearLists()
{
    limitPaintRate();
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
    limitPaintRate();
    if (row == list.count()) {
        list.addItem(text);
    } else if (QListWidgetItem* item = list.item(row)) {
        if (item->text() != text)
            item->setText(text);
    }
}

bool ListDisplay::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint)
        m_sincePaint.start();
    return QObject::eventFilter(watched, event);
}

void ListDisplay::limitPaintRate()
{
    // A change soon after a paint waits for the next frame; one after a quiet spell paints
    // at once, so single readings show without delay.
    if (m_resumeTimer.isActive() || !m_sincePaint.isValid())
        return;
    const qint64 elapsed = m_sincePaint.elapsed();
    if (elapsed >= kFrameIntervalMs)
        return;
    // Only the viewports: they are opaque, so the frames around them need no repaint.
    m_hexList.viewport()->setUpdatesEnabled(false);
    m_decimalList.viewport()->setUpdatesEnabled(false);
    m_resumeTimer.start(static_cast<int>(kFrameIntervalMs - elapsed));
}

void ListDisplay::resumePainting()
{
    // Re-enabling repaints each list once with everything written meanwhile.
    m_hexList.viewport()->setUpdatesEnabled(true);
    m_decimalList.viewport()->setUpdatesEnabled(true);
}

} // namespace dravix
