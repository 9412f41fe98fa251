#pragma once

#include "movecommands.h"

#include <QStringView>

#include <array>
#include <string_view>

namespace dravix {

class SerialPort;

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
    void sendPair(const std::array<std::string_view, 2>& pair);

    SerialPort& m_port;
};

} // namespace dravix
