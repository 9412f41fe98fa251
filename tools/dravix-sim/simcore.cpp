#include "simcore.h"

#include "argumentparsing.h"
#include "movecommands.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace dravix::sim {

namespace {

// A move pair as the wire carries it: its two commands back to back.
[[nodiscard]] const std::string& pairOnWire(Direction direction)
{
    static const std::string positive =
        std::string(kPosMoveCommands[0]).append(kPosMoveCommands[1]);
    static const std::string negative =
        std::string(kNegMoveCommands[0]).append(kNegMoveCommands[1]);
    return direction == Direction::Positive ? positive : negative;
}

[[nodiscard]] bool startsAPair(std::string_view window)
{
    return pairOnWire(Direction::Positive).starts_with(window) ||
           pairOnWire(Direction::Negative).starts_with(window);
}

template <typename T>
[[nodiscard]] std::optional<T> parseNumber(std::string_view text, T low, T high)
{
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < low ||
        value > high)
        return std::nullopt;
    return value;
}

} // namespace

std::vector<Direction> CommandScanner::feed(std::span<const unsigned char> bytes)
{
    std::vector<Direction> moves;
    for (const unsigned char byte : bytes) {
        m_window.push_back(static_cast<char>(byte));
        // Drop from the front until what is left could still grow into a pair.
        while (!m_window.empty() && !startsAPair(m_window)) {
            m_window.erase(0, 1);
            ++m_ignored;
        }
        for (const Direction direction : {Direction::Positive, Direction::Negative}) {
            if (m_window == pairOnWire(direction)) {
                moves.push_back(direction);
                m_window.clear();
            }
        }
    }
    return moves;
}

DriveModel::DriveModel(std::int32_t start, std::int32_t step, std::int32_t distance)
    : m_position(start), m_step(std::max(step, 1)), m_distance(std::max(distance, 0))
{
}

void DriveModel::startMove(Direction direction)
{
    m_direction = direction;
    m_remaining = m_distance;
}

std::int32_t DriveModel::advance()
{
    if (m_remaining > 0) {
        const std::int64_t stride = std::min(m_step, m_remaining);
        const std::int64_t delta = m_direction == Direction::Positive ? stride : -stride;
        // Wraps like the drive's 32-bit counter instead of overflowing.
        m_position = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_position + delta));
        m_remaining -= static_cast<std::int32_t>(stride);
    }
    return m_position;
}

void OutputQueue::push(std::string_view bytes)
{
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(m_sent));
    m_sent = 0;
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

bool OutputQueue::flush(const Writer& write)
{
    while (!empty()) {
        const std::ptrdiff_t taken = write(m_bytes.data() + m_sent, size());
        if (taken < 0)
            return false;
        if (taken == 0)
            break;
        m_sent += std::min(static_cast<std::size_t>(taken), size());
    }
    if (empty())
        clear();
    return true;
}

void OutputQueue::clear()
{
    m_bytes.clear();
    m_sent = 0;
}

ParseResult parseOptions(const QStringList& args)
{
    constexpr auto kInt32Max = std::numeric_limits<std::int32_t>::max();
    constexpr auto kInt32Min = std::numeric_limits<std::int32_t>::min();
    constexpr auto kCountMax = std::numeric_limits<std::uint64_t>::max();
    const auto fail = [](const std::string& message) { return ParseResult{std::nullopt, message}; };

    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    QList<QCommandLineOption> known{help};
    for (const char* name :
         {"rate", "start", "step", "distance", "burst", "count", "link", "exit-when-idle"})
        known.append(QCommandLineOption(QLatin1String(name), {}, QStringLiteral("VALUE")));
    QCommandLineParser parser;
    if (const auto refused = dravix::parseArguments(parser, known, args))
        return fail(refused->toStdString());

    Options options;
    options.help = parser.isSet(help);
    // A value given twice: the last one wins.
    for (const QString& option : parser.optionNames()) {
        const std::string name = "--" + option.toStdString();
        const std::string value = parser.value(option).toStdString();
        const auto bad = [&](std::string_view wanted) {
            return fail(name + " needs " + std::string(wanted) + ", got '" + value + "'");
        };
        if (name == "--rate") {
            const auto rate = parseNumber<int>(value, 1, 100000);
            if (!rate)
                return bad("a whole number from 1 to 100000");
            options.rate = *rate;
        } else if (name == "--start") {
            const auto start = parseNumber<std::int32_t>(value, kInt32Min, kInt32Max);
            if (!start)
                return bad("a whole number of hundredths in the 32-bit range");
            options.start = *start;
        } else if (name == "--step" || name == "--distance") {
            const auto amount = parseNumber<std::int32_t>(value, 1, kInt32Max);
            if (!amount)
                return bad("a positive whole number of hundredths");
            (name == "--step" ? options.step : options.distance) = *amount;
        } else if (name == "--burst" || name == "--count") {
            const auto amount =
                parseNumber<std::uint64_t>(value, name == "--count" ? 1 : 0, kCountMax);
            if (!amount)
                return bad(name == "--count" ? "a positive whole number" : "a whole number");
            (name == "--count" ? options.count : options.burst) = *amount;
        } else if (name == "--link") {
            if (value.empty())
                return bad("a path");
            options.link = value;
        } else if (name == "--exit-when-idle") {
            const auto seconds = parseNumber<double>(value, 0.0, 1e6);
            if (!seconds || !std::isfinite(*seconds))
                return bad("a number of seconds from 0 to 1000000");
            options.exitWhenIdle = *seconds;
        }
    }
    return ParseResult{options, {}};
}

std::string helpText()
{
    return R"(Usage: dravix-sim [OPTION]...
Simulates a Dravix drive on a pseudo-terminal for the serial test terminal.

Prints the device path (e.g. /dev/pts/7) on the first line of standard output,
then streams the position as readings: eight uppercase hex characters each, the
32-bit two's-complement value in hundredths, with nothing between readings.
"UC030002US030002" received starts a positive move, "UC030003US030003" a
negative one; a move steps the position once per reading until its distance is
done, and a new move replaces one in progress. Other bytes are ignored.

Options:
  --rate N            readings per second, 1 to 100000 (default 10)
  --start VALUE       initial position in hundredths, may be negative (default 0)
  --step N            hundredths moved per reading during a move (default 25)
  --distance N        hundredths covered by one move (default 1000)
  --burst N           first send N readings as fast as the terminal takes them,
                      then go on at the rate (default 0)
  --count N           exit after N readings in total (default: no limit); waits
                      up to 2 s for the terminal to read the last ones
  --link PATH         keep a symbolic link at PATH to the device; an existing
                      file or link there is replaced; removed on exit
  --exit-when-idle S  exit once no terminal has had the device open for S
                      seconds (decimals allowed); counts from start-up too
  -h, --help          show this help and exit

Terminal side:
  Readings flow only while a terminal has the device open. While none has,
  the simulator pauses: no readings, moves hold, and it checks for a new
  terminal 20 times a second. When the terminal closes the device, readings it
  has not read are discarded, so the next terminal starts on a whole, current
  reading. Without --exit-when-idle the simulator waits for terminals until
  SIGINT, SIGTERM or SIGHUP.
  When the terminal is slow and the device is full, the simulator waits until
  it can write again; a partly written reading is finished first, and readings
  due meanwhile are not piled up (the rate resumes from then).

On exit it reports to standard error the readings sent, the moves and the
number of ignored bytes received. Exit status: 0 on a normal end (signal,
--count, --exit-when-idle), 1 on a device or link failure, 2 on bad options.
)";
}

} // namespace dravix::sim
