#include "takereading.h"

#include "porterror.h"
#include "serialport.h"

namespace dravix {

std::optional<std::array<unsigned char, kReadingLength>> takeReading(SerialPort& port)
{
    if (port.inBufferCount() < kReadingLength)
        return std::nullopt;
    std::array<unsigned char, kReadingLength> chars{};
    for (unsigned char& c : chars) {
        const auto taken = characterOfRead(port.input());
        if (!taken)
            throw PortError(PortErrorCode::EmptyRead);
        c = *taken;
    }
    return chars;
}

} // namespace dravix
