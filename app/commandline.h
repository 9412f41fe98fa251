#pragma once

#include <QStringList>
#include <QTextStream>

#include <optional>

namespace dravix {

// The terminal's command line: --help, --version and --list-ports print and exit 0, any other
// argument is refused with exit 2. Empty when there are no arguments: start the window.
[[nodiscard]] std::optional<int> answerCommandLine(const QStringList& arguments, QTextStream& out,
                                                   QTextStream& err);

} // namespace dravix
