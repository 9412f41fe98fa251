#include "monitorrowdelegate.h"

#include <QApplication>
#include <QPainter>

namespace dravix {
namespace {

constexpr char16_t kMark = u'\u00B7';

[[nodiscard]] bool hasNoGlyph(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace

QString visibleReceivedText(const QString& text)
{
    QString visible = text;
    for (QChar& c : visible) {
        if (hasNoGlyph(c.unicode()))
            c = QChar(kMark);
    }
    return visible;
}

MonitorRowDelegate::MonitorRowDelegate(bool showControls, QObject* parent)
    : QStyledItemDelegate(parent), m_showControls(showControls)
{
}

QString MonitorRowDelegate::displayText(const QVariant& value, const QLocale& locale) const
{
    // The base would turn a line feed into a line separator first; rows are plain text.
    if (m_showControls && value.typeId() == QMetaType::QString)
        return visibleReceivedText(value.toString());
    return QStyledItemDelegate::displayText(value, locale);
}

void MonitorRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear();
    const QWidget* widget = item.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    // Selection, hover and focus as the style draws them; the text follows. A row in none of
    // those states, with no brush of its own, has no panel: most rows, most of the time.
    constexpr QStyle::State kPanelStates =
        QStyle::State_Selected | QStyle::State_MouseOver | QStyle::State_HasFocus;
    const bool plain = !(item.state & kPanelStates) &&
                       !(item.features & QStyleOptionViewItem::Alternate) &&
                       item.backgroundBrush.style() == Qt::NoBrush;
    if (!plain)
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    if (text.isEmpty())
        return;

    // Laying a text out was most of a list's paint, three to four times what drawing a cached
    // one costs; rows repeat as they move down. Ten rows of each list, a few hundred texts
    // at most over a long run: keep them all, starting afresh if an endless variety piles up.
    constexpr qsizetype kMostTexts = 1024;
    if (m_laidOut.size() > kMostTexts)
        m_laidOut.clear();
    auto laidOut = m_laidOut.find(text);
    if (laidOut == m_laidOut.end()) {
        QStaticText staticText(text);
        staticText.setTextFormat(Qt::PlainText);
        staticText.setPerformanceHint(QStaticText::AggressiveCaching);
        staticText.prepare(QTransform(), item.font);
        laidOut = m_laidOut.insert(text, {staticText, QSize(), QRect(), QPoint(), false});
    }
    // The style lays the text out again to place it; a text keeps its place as it moves
    // down the rows, so that is asked once per text and row size, not per paint.
    if (laidOut->rowSize != item.rect.size()) {
        item.text = text;
        const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget)
                               .translated(-item.rect.topLeft());
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const int textHeight = QFontMetrics(item.font).height();
        laidOut->rowSize = item.rect.size();
        laidOut->area = area;
        laidOut->at = QPoint(area.left() + margin, area.top() + (area.height() - textHeight) / 2);
        // Clipping is dear; only a text wider than its place needs it.
        laidOut->clipped =
            !QRectF(area).contains(QRectF(QPointF(laidOut->at), laidOut->text.size()));
    }
    const QPalette::ColorGroup group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (item.state & QStyle::State_Active) ? QPalette::Normal
                                                                             : QPalette::Inactive;
    painter->save();
    painter->setFont(item.font);
    painter->setPen(item.palette.color(
        group, (item.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    if (laidOut->clipped)
        painter->setClipRect(laidOut->area.translated(item.rect.topLeft()));
    painter->drawStaticText(laidOut->at + item.rect.topLeft(), laidOut->text);
    painter->restore();
}

} // namespace dravix
