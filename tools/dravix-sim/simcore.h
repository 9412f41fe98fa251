#pragma once

#include "conversion.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dravix::sim {

enum class Direction { Positive, Negative };

// Finds move command pairs in a byte stream that may arrive split anywhere.
class CommandScanner final
{
public:
    // The moves completed by these bytes, in order of arrival.
    [[nodiscard]] std::vector<Direction> feed(std::span<const unsigned char> bytes);
    [[nodiscard]] std::uint64_t ignoredBytes() const { return m_ignored; }
    // Bytes held back because they may still start a pair.
    [[nodiscard]] std::size_t pendingBytes() const { return m_window.size(); }

private:
    std::string m_window;
    std::uint64_t m_ignored = 0;
};

// The drive's position; a move advances it by one step per reading until its distance is done.
class DriveModel final
{
public:
    DriveModel(std::int32_t start, std::int32_t step, std::int32_t distance);

    // A new move replaces one in progress and runs the full distance from here.
    void startMove(Direction direction);
    // Applies one step of the current move and returns the position to report.
    std::int32_t advance();
    [[nodiscard]] std::int32_t position() const { return m_position; }
    [[nodiscard]] bool moving() const { return m_remaining > 0; }

private:
    std::int32_t m_position;
    std::int32_t m_step;
    std::int32_t m_distance;
    std::int32_t m_remaining = 0;
    Direction m_direction = Direction::Positive;
};

// Bytes waiting for a non-blocking writer; a partly written reading is finished later, never
// cut short or sent twice.
class OutputQueue final
{
public:
    // Takes at most the given count; returns bytes taken, 0 for "not now", < 0 for a hard error.
    using Writer = std::function<std::ptrdiff_t(const unsigned char*, std::size_t)>;

    void push(std::string_view bytes);
    // Hands over as much as the writer takes; false on a hard error.
    [[nodiscard]] bool flush(const Writer& write);
    void clear();
    [[nodiscard]] bool empty() const { return m_sent == m_bytes.size(); }
    [[nodiscard]] std::size_t size() const { return m_bytes.size() - m_sent; }

private:
    std::vector<unsigned char> m_bytes;
    std::size_t m_sent = 0;
};

struct Options
{
    int rate = 10;
    std::int32_t start = 0;
    std::int32_t step = 25;
    std::int32_t distance = 1000;
    std::uint64_t burst = 0;
    std::uint64_t count = 0; // 0: no limit
    std::string link;
    std::optional<double> exitWhenIdle; // seconds
    bool help = false;
};

struct ParseResult
{
    std::optional<Options> options;
    std::string error; // set when options is empty
};

// Arguments without the program name; values as "--rate 5" or "--rate=5".
[[nodiscard]] ParseResult parseOptions(const QStringList& args);
[[nodiscard]] std::string helpText();

} // namespace dravix::sim
