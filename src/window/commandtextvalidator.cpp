#include "commandtextvalidator.h"

#include "commandrules.h"

#include <algorithm>

namespace dravix {

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
        if (isRefusedInCommand(input.at(i)) || unpaired(i)) {
            input.remove(i, 1);
            if (i < pos)
                --pos;
        }
    }
    return Acceptable;
}

} // namespace dravix
