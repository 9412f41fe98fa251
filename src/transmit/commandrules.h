#pragma once

#include <QChar>
#include <QStringView>

namespace dravix {

// As many characters as the command box holds and SEND sends.
inline constexpr int kCommandMaxLength = 16;

// CR, LF and Unicode's line and paragraph separators: each ends the command box's one line.
[[nodiscard]] bool isLineBreak(QChar c);

// What never goes into a command: control characters and line breaks.
[[nodiscard]] bool isRefusedInCommand(QChar c);

} // namespace dravix
