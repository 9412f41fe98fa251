#include "commandrules.h"

namespace dravix {

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

bool isRefusedInCommand(QChar c)
{
    return c.category() == QChar::Other_Control || isLineBreak(c);
}

} // namespace dravix
