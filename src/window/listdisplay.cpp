#include "listdisplay.h"

#include <QEvent>
#include <QListWidget>

namespace dravix {
namespace {
// At the line rate a reading comes every 4.6 ms; painting both lists for each of them
// costs several times the CPU of painting them once per frame.
constexpr int kFrameIntervalMs = 16;
} // namespace

ListDisplay::ListDisplay(QListWidget& hexList, QListWidget& decimalList, QObject* parent)
    : QObject(parent), m_hexList(hexList), m_decimalList(decimalList)
{
    m_resumeTimer.setSingleShot(true);
    connect(&m_resumeTimer, &QTimer::timeout, this, [this] { setPainting(true); });
    hexList.viewport()->installEventFilter(this);
    decimalList.viewport()->installEventFilter(this);
}

void ListDisplay::clearLists()
{
    holdPaintsUntilNextFrame();
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
    holdPaintsUntilNextFrame();
    if (row == list.count())
        list.addItem(text);
    else if (QListWidgetItem* item = list.item(row))
        item->setText(text); // an unchanged text changes nothing
}

bool ListDisplay::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint)
        m_sincePaint.start();
    return QObject::eventFilter(watched, event);
}

void ListDisplay::holdPaintsUntilNextFrame()
{
    // A change soon after a paint waits for the next frame; one after a quiet spell paints
    // at once, so single readings show without delay.
    if (m_resumeTimer.isActive() || !m_sincePaint.isValid())
        return;
    const qint64 elapsed = m_sincePaint.elapsed();
    if (elapsed >= kFrameIntervalMs)
        return;
    setPainting(false);
    m_resumeTimer.start(static_cast<int>(kFrameIntervalMs - elapsed));
}

void ListDisplay::setPainting(bool enabled)
{
    // Only the viewports: they are opaque, so the frames around them need no repaint.
    // Enabling them again repaints each list once with everything written meanwhile.
    m_hexList.viewport()->setUpdatesEnabled(enabled);
    m_decimalList.viewport()->setUpdatesEnabled(enabled);
}

} // namespace dravix
