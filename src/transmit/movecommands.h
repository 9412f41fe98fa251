#pragma once

#include <array>
#include <string_view>

namespace dravix {

// The fixed move pairs, each sent back to back; the terminal, dravix-log and the simulated drive
// take them from here.
inline constexpr std::array<std::string_view, 2> kPosMoveCommands = {"UC030002", "US030002"};
inline constexpr std::array<std::string_view, 2> kNegMoveCommands = {"UC030003", "US030003"};

} // namespace dravix
