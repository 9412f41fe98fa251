#include "windowparts.h"

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOption>

namespace dravix {
namespace {

constexpr char16_t kMark = u'\u00B7';

[[nodiscard]] bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

[[nodiscard]] bool hasNoGlyph(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace

void PushButton::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

QValidator::State CommandTextValidator::validate(QString& input, int& pos) const
{
    // The box never holds a line break, so the first one came with the text just inserted,
    // which ends at the cursor: drop from the break to the cursor.
    const qsizetype lineBreak =
        std::find_if(input.cbegin(), input.cend(), isLineBreak) - input.cbegin();
    if (lineBreak < input.size() && lineBreak < pos) {
        input.remove(lineBreak, pos - lineBreak);
        pos = static_cast<int>(lineBreak);
    }
    // Nor half a character: the length limit can cut a surrogate pair.
    const auto unpaired = [&input](qsizetype i) {
        const QChar c = input.at(i);
        if (c.isHighSurrogate())
            return i + 1 >= input.size() || !input.at(i + 1).isLowSurrogate();
        if (c.isLowSurrogate())
            return i == 0 || !input.at(i - 1).isHighSurrogate();
        return false;
    };
    for (qsizetype i = input.size() - 1; i >= 0; --i) {
        if (input.at(i).category() == QChar::Other_Control || isLineBreak(input.at(i)) ||
            unpaired(i)) {
            input.remove(i, 1);
            if (i < pos)
                --pos;
        }
    }
    return Acceptable;
}

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

    // Ten rows of each list, a few hundred texts at most over a long run: keep them all,
    // starting afresh if an endless variety ever piles up.
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

void FlatFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const
{
    if (element != PE_FrameGroupBox || baseStyle()->name() != QStringLiteral("fusion")) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // Fusion's own frame drawn aside, then everything inside its border ring taken out, so
    // the border stays exactly native and the interior shows the frame's one colour.
    const qreal ratio = painter->device()->devicePixelRatioF();
    QImage layer((QSizeF(option->rect.size()) * ratio).toSize(),
                 QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    QStyleOption atOrigin(*option);
    atOrigin.rect.moveTo(0, 0);
    {
        QPainter aside(&layer);
        QProxyStyle::drawPrimitive(element, &atOrigin, &aside, widget);
    }
    // The border ring's outer edges: the first and last pixels the frame drew, through the
    // middle (the top lies below any caption).
    const auto drawn = [&layer](int x, int y) { return qAlpha(layer.pixel(x, y)) != 0; };
    const int midX = layer.width() / 2;
    const int midY = layer.height() * 3 / 4;
    int top = 0;
    while (top < layer.height() - 1 && !drawn(midX, top))
        ++top;
    int bottom = layer.height() - 1;
    while (bottom > top && !drawn(midX, bottom))
        --bottom;
    int left = 0;
    while (left < layer.width() - 1 && !drawn(left, midY))
        ++left;
    int right = layer.width() - 1;
    while (right > left && !drawn(right, midY))
        --right;
    const int ring = qRound(2 * ratio);
    {
        QPainter clear(&layer);
        clear.setCompositionMode(QPainter::CompositionMode_Clear);
        clear.scale(1.0 / ratio, 1.0 / ratio);
        clear.fillRect(QRect(QPoint(left + ring, top + ring), QPoint(right - ring, bottom - ring)),
                       Qt::transparent);
    }
    painter->drawImage(option->rect.topLeft(), layer);
}

} // namespace dravix
