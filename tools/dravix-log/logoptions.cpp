#include "logoptions.h"

#include "argumentparsing.h"
#include "commandrules.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <algorithm>
#include <cmath>

namespace dravix::log {
namespace {

// Longer runs are surely a typing slip, and nanoseconds stay far from overflowing.
constexpr double kMaxDurationSeconds = 1e9;

constexpr auto kHelp = R"(Usage: dravix-log [OPTION]...

Records a Dravix drive's readings as CSV rows: time, elapsed_s, hex, value, position.
Opens the port at 19200 baud, odd parity, 8 data bits, 1 stop bit, from an empty line,
sends the commands in the order given, then writes one row per reading of eight characters.

  --port 1|2|DEVICE  the terminal's port 1 or 2 (DRAVIX_PORT1, DRAVIX_PORT2 apply),
                     or any device: /dev/ttyUSB0, ./link, COM3 (default 1)
  --send TEXT        send TEXT, one byte per character, no terminator (1 to 16 characters;
                     a character outside Latin-1 goes out as '?')
  --posmove          send UC030002 then US030002
  --negmov           send UC030003 then US030003
  --count N          end after N readings
  --duration SECONDS end after SECONDS (decimals allowed) since the port opened
  --reconnect        on a lost device, try to reopen it every half second
  --output FILE      write to FILE, which must not exist yet (default: standard output)
  --append           with --output, add to FILE; the header goes only into an empty file
  --help, --version  show this help or the version and exit

It ends after --count readings, after --duration, or on Ctrl+C, SIGTERM or Ctrl+Break, with
every complete row written. Exit status: 0 at the end, 1 when the port does not open or the
device fails (without --reconnect), 2 for a bad option or an existing FILE.
)";

// Empty when the text is fine for the drive; else why not.
[[nodiscard]] QString refuseSendText(const QString& text)
{
    if (text.isEmpty())
        return QStringLiteral("--send needs at least one character");
    if (text.size() > kCommandMaxLength)
        return QStringLiteral("--send takes at most %1 characters, not %2")
            .arg(kCommandMaxLength)
            .arg(text.size());
    // What the terminal's command box never lets in, SEND never sends.
    if (std::any_of(text.cbegin(), text.cend(), isRefusedInCommand))
        return QStringLiteral("--send takes no control characters or line breaks");
    return {};
}

[[nodiscard]] bool isAllDigits(const QString& text)
{
    return !text.isEmpty() &&
           std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); });
}

[[nodiscard]] std::optional<qint64> countOf(const QString& value)
{
    bool ok = false;
    const qint64 count = value.toLongLong(&ok);
    if (!ok || count < 1 || !isAllDigits(value))
        return std::nullopt;
    return count;
}

[[nodiscard]] std::optional<std::chrono::nanoseconds> durationOf(const QString& value)
{
    bool ok = false;
    const double seconds = value.toDouble(&ok); // always '.' as the decimal point
    if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > kMaxDurationSeconds)
        return std::nullopt;
    return std::chrono::nanoseconds(std::llround(seconds * 1e9));
}

// 1 or 2, or any device; a bare number is a mistyped port, never a device called "3".
[[nodiscard]] QString takePort(const QString& value, LogOptions& options)
{
    if (value == u"1" || value == u"2") {
        options.portNumber = value.toInt();
        return {};
    }
    if (value.isEmpty() || isAllDigits(value))
        return QStringLiteral("--port takes 1, 2 or a device, not '%1'").arg(value);
    options.device = value;
    return {};
}

// Empty when the values are fine; else why not. Options that take one value once are given
// once: twice is a slip, and which one was meant?
[[nodiscard]] QString takeOptions(const QCommandLineParser& parser, LogOptions& options)
{
    const QStringList names = parser.optionNames();
    for (const char* once : {"port", "count", "duration", "output"}) {
        if (names.count(QLatin1String(once)) > 1)
            return QStringLiteral("--%1 is given twice").arg(QLatin1String(once));
    }
    // The commands go out in the order given: the parser lists each option as it came.
    const QStringList texts = parser.values(QStringLiteral("send"));
    qsizetype nextText = 0;
    for (const QString& name : names) {
        if (name == u"send") {
            const QString& text = texts.at(nextText++);
            if (QString why = refuseSendText(text); !why.isEmpty())
                return why;
            options.commands.append({LogCommand::Kind::Send, text});
        } else if (name == u"posmove") {
            options.commands.append({LogCommand::Kind::PosMove, {}});
        } else if (name == u"negmov") {
            options.commands.append({LogCommand::Kind::NegMove, {}});
        } else if (name == u"port") {
            if (QString why = takePort(parser.value(name), options); !why.isEmpty())
                return why;
        } else if (name == u"count") {
            options.count = countOf(parser.value(name));
            if (!options.count)
                return QStringLiteral("--count takes a whole number from 1 up, not '%1'")
                    .arg(parser.value(name));
        } else if (name == u"duration") {
            options.duration = durationOf(parser.value(name));
            if (!options.duration)
                return QStringLiteral("--duration takes seconds above 0, not '%1'")
                    .arg(parser.value(name));
        } else if (name == u"output") {
            options.outputPath = parser.value(name);
            if (options.outputPath.isEmpty())
                return QStringLiteral("--output needs a file name");
        }
    }
    options.reconnect = parser.isSet(QStringLiteral("reconnect"));
    options.append = parser.isSet(QStringLiteral("append"));
    if (options.append && options.outputPath.isEmpty())
        return QStringLiteral("--append needs --output FILE");
    return {};
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    const auto valued = [](const char* name, const char* valueName) {
        return QCommandLineOption(QLatin1String(name), {}, QLatin1String(valueName));
    };
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    QCommandLineParser parser;
    CommandLine result;
    if (const auto refused = parseArguments(
            parser,
            {valued("port", "PORT"), valued("send", "TEXT"),
             QCommandLineOption(QStringLiteral("posmove")),
             QCommandLineOption(QStringLiteral("negmov")), valued("count", "N"),
             valued("duration", "SECONDS"), QCommandLineOption(QStringLiteral("reconnect")),
             valued("output", "FILE"), QCommandLineOption(QStringLiteral("append")), help, version},
            arguments)) {
        result.error = *refused;
        return result;
    }
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::Help;
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::Version;
        return result;
    }
    result.error = takeOptions(parser, result.options);
    if (result.error.isEmpty())
        result.action = CommandLine::Action::Record;
    return result;
}

QString helpText()
{
    return QString::fromLatin1(kHelp);
}

} // namespace dravix::log
