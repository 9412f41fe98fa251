#pragma once

#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

namespace dravix {

// Draws a monitor row: the style's item panel, then the row's text from a cache of laid-out
// texts. With `showControls`, a received character that has no visible glyph (C0 and C1
// controls, DEL) is drawn as a middle dot, so each row shows all eight characters in their
// places; the row's text, which tests and screen readers read, stays as received.
class MonitorRowDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    MonitorRowDelegate(bool showControls, QObject* parent);
    [[nodiscard]] QString displayText(const QVariant& value, const QLocale& locale) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    // A row's text laid out once, with where the style puts it in a row of that size.
    struct LaidOutRow
    {
        QStaticText text;
        // Relative to the row's top left corner.
        QSize rowSize;
        QRect area;
        QPoint at;
        bool clipped;
    };

    bool m_showControls;
    mutable QHash<QString, LaidOutRow> m_laidOut;
};

// What MonitorRowDelegate draws for a row of received characters.
[[nodiscard]] QString visibleReceivedText(const QString& text);

} // namespace dravix
