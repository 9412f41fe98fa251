#include "listdisplay.h"

#include <QEvent>
#include <QListWidget>
#include <QSignalBlocker>

#include <utility>

namespace dravix {
namespace {
constexpr int kFrameIntervalMs = 16;
// How long a held frame waits past its time for the next change to bring it: at the line
// rate a reading comes every 4.6 ms, and painting on its wake-up spares the loop a wake-up
// of its own. It still bounds the wait for a last change at 19 ms.
constexpr int kFrameGraceMs = 3;
} // namespace

ListDisplay::ListDisplay(QListWidget& hexList, QListWidget& decimalList, QObject* parent)
    : QObject(parent), m_hexList{hexList, {}}, m_decimalList{decimalList, {}}
{
    m_resumeTimer.setSingleShot(true);
    connect(&m_resumeTimer, &QTimer::timeout, this, &ListDisplay::resumePainting);
    hexList.viewport()->installEventFilter(this);
    decimalList.viewport()->installEventFilter(this);
}

void ListDisplay::clearLists()
{
    limitPaintRate();
    for (List* list : {&m_hexList, &m_decimalList}) {
        list->widget.clear();
        list->rows.clear();
    }
}

void ListDisplay::setHexRow(int row, const QString& text)
{
    setRow(m_hexList, row, text);
}

void ListDisplay::setDecimalRow(int row, const QString& text)
{
    setRow(m_decimalList, row, text);
}

void ListDisplay::setRow(List& list, int row, const QString& text)
{
    limitPaintRate();
    if (row == list.rows.size()) {
        list.widget.addItem(text);
        list.rows.append(text);
    } else if (row >= 0 && row < list.rows.size() && list.rows.at(row) != text) {
        list.widget.item(row)->setText(text);
        list.rows[row] = text;
    }
}

void ListDisplay::setHexRows(std::span<const QString> texts)
{
    setRows(m_hexList, texts);
}

void ListDisplay::setDecimalRows(std::span<const QString> texts)
{
    setRows(m_decimalList, texts);
}

void ListDisplay::setRows(List& list, std::span<const QString> texts)
{
    if (std::cmp_not_equal(list.rows.size(), texts.size())) {
        for (std::size_t row = 0; row < texts.size(); ++row)
            setRow(list, static_cast<int>(row), texts[row]);
        return;
    }
    limitPaintRate();
    // Every row shifts with each reading: one change notice for the rows that changed, not
    // one per row, keeps a fast device from costing the views twenty notices a reading.
    QAbstractItemModel* model = list.widget.model();
    qsizetype first = -1;
    qsizetype last = -1;
    {
        const QSignalBlocker blocker(model);
        for (qsizetype row = 0; row < list.rows.size(); ++row) {
            const QString& text = texts[static_cast<std::size_t>(row)];
            if (list.rows.at(row) == text)
                continue;
            list.widget.item(static_cast<int>(row))->setText(text);
            list.rows[row] = text;
            first = first < 0 ? row : first;
            last = row;
        }
    }
    if (first >= 0)
        Q_EMIT model->dataChanged(model->index(static_cast<int>(first), 0),
                                  model->index(static_cast<int>(last), 0), {Qt::DisplayRole});
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
    m_hexList.widget.viewport()->setUpdatesEnabled(false);
    m_decimalList.widget.viewport()->setUpdatesEnabled(false);
    m_resumeTimer.start(static_cast<int>(kFrameIntervalMs + kFrameGraceMs - elapsed));
}

void ListDisplay::resumePainting()
{
    // Re-enabling repaints each list once with everything written meanwhile.
    m_hexList.widget.viewport()->setUpdatesEnabled(true);
    m_decimalList.widget.viewport()->setUpdatesEnabled(true);
}

} // namespace dravix
