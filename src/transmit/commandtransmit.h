#pragma once

#include <QStringView>

#include <array>

namespace dravix {

class SerialPort;

inline constexpr std::array<const char*, 2> kPosMoveCommands = {"UC030002", "US030002"};
inline constexpr std::array<const char*, 2> kNegMoveCommands = {"UC030003", "US030003"};

// Fire-and-forget writes to the device: the typed string and the two fixed move pairs.
// A refused write raises PortError and nothing of it is sent.
class CommandTransmit final
{
public:
    explicit CommandTransmit(SerialPort& port) : m_port(port) {}

    // Drops what an earlier send has not yet transmitted, then queues the text as typed.
    void send(QStringView text);
    void posMove();
    void negMove();

private:
    void sendPair(const std::array<const char*, 2>& pair);

    SerialPort& m_port;
};

} // namespace dravix
