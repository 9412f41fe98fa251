#include "flatframestyle.h"

#include <QImage>
#include <QPainter>
#include <QStyleOption>

namespace dravix {

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
