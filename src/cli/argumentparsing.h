#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace dravix {

// Parses the arguments after the program's name with QCommandLineParser. Empty when every
// argument was taken; else one line on the first one that was not, as the user typed it:
// "unknown argument 'X'", "--rate needs a value", "--help takes no value". A program takes no
// positional arguments, so any is refused too.
[[nodiscard]] std::optional<QString> parseArguments(QCommandLineParser& parser,
                                                    const QList<QCommandLineOption>& options,
                                                    const QStringList& arguments);

} // namespace dravix
