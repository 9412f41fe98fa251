#include "monitorrowdelegate.h"

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

} // namespace dravix
