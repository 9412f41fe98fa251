#include "listdisplay.h"

#include <QEvent>
#include <QListWidget>
#include <QSignalBlocker>

namespace dravix {
namespace {
// At the line rate a reading comes every 4.6 ms; painting both lists for each of them
// costs several times the CPU of painting them once per frame.
constexpr int kFrameIntervalMs = 16;
// How long a held frame waits past its time for the next change to paint it: at the line
// rate a reading comes every 4.6 ms, and frames painted in the wake-ups readings bring,
// not in wake-ups of their own, take a fifth off the line rate's CPU.
constexpr int kFrameGraceMs = 3;
} // namespace

ListDisplay::ListDisplay(QListWidget& hexList, QListWidget& decimalList, QObject* parent)
    : QObject(parent), m_hexList(hexList), m_decimalList(decimalList)
{
    m_resumeTimer.setSingleShot(true);
    connect(&m_resumeTimer, &QTimer::timeout, this, &ListDisplay::resumePainting);
    hexList.viewport()->installEventFilter(this);
    decimalList.viewport()->installEventFilter(this);
}

void ListDisplay::clearLists()
{
    holdPaintsUntilNextFrame();
    m_hexList.clear();
    m_decimalList.clear();
}

void ListDisplay::setRows(std::span<const QString> hexRows, std::span<const QString> decimalRows)
{
    holdPaintsUntilNextFrame();
    setListRows(m_hexList, hexRows);
    setListRows(m_decimalList, decimalRows);
}

void ListDisplay::setListRows(QListWidget& list, std::span<const QString> texts)
{
    // Every row changes with each reading: one change notice for the list, not one per row,
    // takes a fifth more readings a second in a flood.
    QAbstractItemModel* model = list.model();
    int first = -1;
    int last = -1;
    {
        const QSignalBlocker quiet(model);
        for (int row = 0; row < list.count() && row < int(texts.size()); ++row) {
            QListWidgetItem* item = list.item(row);
            if (item->text() == texts[std::size_t(row)])
                continue;
            item->setText(texts[std::size_t(row)]);
            first = first < 0 ? row : first;
            last = row;
        }
    }
    if (first >= 0)
        Q_EMIT model->dataChanged(model->index(first, 0), model->index(last, 0), {Qt::DisplayRole});
    for (auto row = std::size_t(list.count()); row < texts.size(); ++row)
        list.addItem(texts[row]);
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
    if (!m_sincePaint.isValid())
        return;
    const qint64 elapsed = m_sincePaint.elapsed();
    if (m_resumeTimer.isActive()) {
        if (elapsed >= kFrameIntervalMs) {
            m_resumeTimer.stop();
            resumePainting();
        }
        return;
    }
    if (elapsed >= kFrameIntervalMs)
        return;
    // Only the viewports: they are opaque, so the frames around them need no repaint.
    m_hexList.viewport()->setUpdatesEnabled(false);
    m_decimalList.viewport()->setUpdatesEnabled(false);
    m_resumeTimer.start(static_cast<int>(kFrameIntervalMs + kFrameGraceMs - elapsed));
}

void ListDisplay::resumePainting()
{
    // Enabling them again repaints each list once with everything written meanwhile.
    m_hexList.viewport()->setUpdatesEnabled(true);
    m_decimalList.viewport()->setUpdatesEnabled(true);
}

} // namespace dravix
