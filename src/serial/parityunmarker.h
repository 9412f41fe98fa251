#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace dravix {

// Undoes the POSIX marking of parity errors (termios PARMRK): 0xFF 0x00 c, a character
// received with a parity or framing error, becomes '?'; 0xFF 0xFF, a real 0xFF, becomes 0xFF.
// Sequences may be split across reads; the unfinished start of one waits for the next read.
class ParityUnmarker final
{
public:
    static constexpr char kReplacement = '?';

    // Appends to `out` what `in` stands for.
    void feed(QByteArrayView in, QByteArray& out);
    // Forgets an unfinished sequence, as when the receive buffer is emptied.
    void reset() { m_state = State::Plain; }

private:
    enum class State { Plain, AfterFF, AfterFF00 };
    State m_state = State::Plain;
};

} // namespace dravix
