#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace dravix::log {

// One command put on the wire after the port opens, in the order given.
struct LogCommand
{
    enum class Kind { Send, PosMove, NegMove };
    Kind kind = Kind::Send;
    QString text; // Send only

    friend bool operator==(const LogCommand&, const LogCommand&) = default;
};

// What one run records, from where, and when it ends.
struct LogOptions
{
    int portNumber = 1;
    QString device; // any device instead of port 1 or 2
    QList<LogCommand> commands;
    std::optional<qint64> count;
    std::optional<std::chrono::nanoseconds> duration;
    bool reconnect = false;
    QString outputPath; // empty: standard output
    bool append = false;

    friend bool operator==(const LogOptions&, const LogOptions&) = default;
};

// The command line understood: record, answer --help or --version, or refuse with one line.
struct CommandLine
{
    enum class Action { Record, Help, Version, Refuse };
    Action action = Action::Refuse;
    LogOptions options;
    QString error;
};

// The arguments after the program's name.
[[nodiscard]] CommandLine parseCommandLine(const QStringList& arguments);
[[nodiscard]] QString helpText();

} // namespace dravix::log
