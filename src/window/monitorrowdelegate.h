#pragma once

#include <QStyledItemDelegate>

namespace dravix {

// Draws a monitor row as the style does, except that with `showControls` a received
// character that has no visible glyph (C0 and C1 controls, DEL) is drawn as a middle dot, so
// each row shows all eight characters in their places; the row's text, which tests and
// screen readers read, stays as received.
class MonitorRowDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    MonitorRowDelegate(bool showControls, QObject* parent);
    [[nodiscard]] QString displayText(const QVariant& value, const QLocale& locale) const override;

private:
    bool m_showControls;
};

// What MonitorRowDelegate draws for a row of received characters.
[[nodiscard]] QString visibleReceivedText(const QString& text);

} // namespace dravix
