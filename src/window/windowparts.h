#pragma once

#include <QHash>
#include <QProxyStyle>
#include <QPushButton>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QValidator>

namespace dravix {

// A push button that Return and keypad Enter press while it has the focus, as Space does;
// the window has no default button.
class PushButton final : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Keeps the one-line command box to one line of characters the drive can take: a paste or a
// drop keeps its text up to the first line break, and control characters and halves of a
// character never get in.
class CommandTextValidator final : public QValidator
{
    Q_OBJECT

public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// Draws a monitor row: the style's item panel, then the row's text from a cache of laid-out
// texts, since rows repeat and laying text out anew is most of a list's paint. With
// `showControls`, a received character that has no visible glyph (C0 and C1 controls, DEL)
// is drawn as a middle dot, so each row shows all eight characters in their places; the
// row's text, which tests and screen readers read, stays as received.
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

// The platform's style, except that a frame is one flat colour: Fusion shades a group box's
// interior a little darker than its own background.
class FlatFrameStyle final : public QProxyStyle
{
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

// What MonitorRowDelegate draws for a row of received characters.
[[nodiscard]] QString visibleReceivedText(const QString& text);

} // namespace dravix
