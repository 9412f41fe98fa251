#pragma once

#include <QPushButton>

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

} // namespace dravix
