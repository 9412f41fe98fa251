#include "logoptions.h"

#include "commandrules.h"

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

[[nodiscard]] bool isValueOption(const QString& name)
{
    return name == u"--port" || name == u"--send" || name == u"--count" || name == u"--duration" ||
           name == u"--output";
}

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

class Parser final
{
public:
    explicit Parser(const QStringList& arguments) : m_arguments(arguments) {}

    [[nodiscard]] CommandLine run()
    {
        for (qsizetype i = 0; i < m_arguments.size() && m_error.isEmpty(); ++i) {
            QString name = m_arguments.at(i);
            std::optional<QString> value;
            const qsizetype equals = name.indexOf(u'=');
            if (name.startsWith(u"--") && equals > 2) {
                value = name.mid(equals + 1);
                name.truncate(equals);
            } else if (isValueOption(name)) {
                if (i + 1 >= m_arguments.size())
                    return refused(name + QStringLiteral(" needs a value"));
                value = m_arguments.at(++i);
            }
            if (isValueOption(name))
                take(name, *value);
            else if (value)
                m_error = name + QStringLiteral(" takes no value");
            else if (!takeFlag(name))
                m_error = QStringLiteral("unknown argument '%1'").arg(name);
        }
        if (m_error.isEmpty() && m_result.options.append && m_result.options.outputPath.isEmpty())
            m_error = QStringLiteral("--append needs --output FILE");
        if (!m_error.isEmpty())
            return refused(m_error);
        return m_result;
    }

private:
    [[nodiscard]] static CommandLine refused(const QString& why)
    {
        CommandLine result;
        result.error = why;
        return result;
    }

    // Given twice is a slip: which one was meant?
    [[nodiscard]] bool once(const QString& name)
    {
        if (m_seen.contains(name)) {
            m_error = name + QStringLiteral(" is given twice");
            return false;
        }
        m_seen.append(name);
        return true;
    }

    [[nodiscard]] bool takeFlag(const QString& name)
    {
        LogOptions& options = m_result.options;
        if (name == u"--help" || name == u"-h")
            m_result.action = CommandLine::Action::Help;
        else if (name == u"--version")
            m_result.action = CommandLine::Action::Version;
        else if (name == u"--posmove")
            options.commands.append({LogCommand::Kind::PosMove, {}});
        else if (name == u"--negmov")
            options.commands.append({LogCommand::Kind::NegMove, {}});
        else if (name == u"--reconnect")
            options.reconnect = true;
        else if (name == u"--append")
            options.append = true;
        else
            return false;
        return true;
    }

    void take(const QString& name, const QString& value)
    {
        LogOptions& options = m_result.options;
        if (name == u"--send") {
            m_error = refuseSendText(value);
            options.commands.append({LogCommand::Kind::Send, value});
            return;
        }
        if (!once(name))
            return;
        if (name == u"--port") {
            takePort(value);
        } else if (name == u"--count") {
            bool ok = false;
            const qint64 count = value.toLongLong(&ok);
            if (!ok || count < 1 || !isAllDigits(value))
                m_error =
                    QStringLiteral("--count takes a whole number from 1 up, not '%1'").arg(value);
            options.count = count;
        } else if (name == u"--duration") {
            bool ok = false;
            const double seconds = value.toDouble(&ok); // always '.' as the decimal point
            if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > kMaxDurationSeconds)
                m_error = QStringLiteral("--duration takes seconds above 0, not '%1'").arg(value);
            else
                options.duration = std::chrono::nanoseconds(std::llround(seconds * 1e9));
        } else if (name == u"--output") {
            if (value.isEmpty())
                m_error = QStringLiteral("--output needs a file name");
            options.outputPath = value;
        }
    }

    void takePort(const QString& value)
    {
        LogOptions& options = m_result.options;
        if (value == u"1" || value == u"2") {
            options.portNumber = value.toInt();
            return;
        }
        // A bare number is a mistyped port, never a device called "3".
        if (value.isEmpty() || isAllDigits(value)) {
            m_error = QStringLiteral("--port takes 1, 2 or a device, not '%1'").arg(value);
            return;
        }
        options.device = value;
    }

    const QStringList& m_arguments;
    CommandLine m_result{CommandLine::Action::Record, {}, {}};
    QStringList m_seen;
    QString m_error;
};

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    return Parser(arguments).run();
}

QString helpText()
{
    return QString::fromLatin1(kHelp);
}

} // namespace dravix::log
