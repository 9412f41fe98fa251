#pragma once

#include "conversion.h"

#include <array>
#include <optional>

namespace dravix {

class SerialPort;

// The eight characters of the next reading, taken off the port one read each; empty while
// fewer than eight wait. A read that returns nothing raises PortError.
[[nodiscard]] std::optional<std::array<unsigned char, kReadingLength>>
takeReading(SerialPort& port);

} // namespace dravix
