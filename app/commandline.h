#pragma once

#include <QStringList>
#include <QTextStream>

#include <array>
#include <optional>

namespace dravix {

// What the command line asks of the terminal.
struct CommandLineAnswer
{
    // Set when the program ends at once: --help, --version and --list-ports print and give 0,
    // anything else is refused with 2. Empty: start the window.
    std::optional<int> exitCode;
    // --port1 and --port2: the devices behind the buttons, empty when not given.
    std::array<QString, 2> ports;
};

[[nodiscard]] CommandLineAnswer answerCommandLine(const QStringList& arguments, QTextStream& out,
                                                  QTextStream& err);

} // namespace dravix
