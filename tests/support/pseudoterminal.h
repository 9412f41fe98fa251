#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

namespace dravix::test {

// A real pseudo-terminal: the program under test opens slavePath(); the test plays the
// device on the master side.
class PseudoTerminal final
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    [[nodiscard]] QString slavePath() const { return m_slavePath; }
    [[nodiscard]] int masterFd() const { return m_master; }

    void write(const QByteArray& bytes);
    // Everything the program has sent, waiting at most `wait` for the first byte and then
    // until the line is quiet for a moment.
    [[nodiscard]] QByteArray
    readAvailable(std::chrono::milliseconds wait = std::chrono::milliseconds(300));
    // The device hangs up: the master side closes.
    void hangUp();

private:
    int m_master = -1;
    QString m_slavePath;
};

} // namespace dravix::test
