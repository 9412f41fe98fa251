#include "commandtransmit.h"

#include "serialport.h"

namespace dravix {

void CommandTransmit::send(QStringView text)
{
    m_port.setOutBufferCount(0);
    m_port.output(text);
}

void CommandTransmit::posMove()
{
    sendPair(kPosMoveCommands);
}

void CommandTransmit::negMove()
{
    sendPair(kNegMoveCommands);
}

void CommandTransmit::sendPair(const std::array<std::string_view, 2>& pair)
{
    // Back to back, and without emptying the transmit buffer first.
    for (const std::string_view command : pair)
        m_port.output(QString::fromLatin1(command.data(), static_cast<qsizetype>(command.size())));
}

} // namespace dravix
