#pragma once

#include <QProxyStyle>

namespace dravix {

// The platform's style, except that a frame is one flat colour: Fusion shades a group box's
// interior a little darker than its own background. Fusion draws border and shading in one
// primitive from a picture of its own, and no palette role or style option turns the shading
// off, so the frame is drawn aside and its inside cleared; the other styles draw flat already.
class FlatFrameStyle final : public QProxyStyle
{
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

} // namespace dravix
