#pragma once

#include <QValidator>

namespace dravix {

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

} // namespace dravix
