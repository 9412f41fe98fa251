#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

namespace dravix::test {

// A real pseudo-terminal: the program under test opens slavePath(); the test plays the
// device on the master side, and watches the line from a slave descriptor of its own.
class PseudoTerminal final
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    [[nodiscard]] QString slavePath() const { return m_slavePath; }
    [[nodiscard]] int masterFd() const { return m_master; }
    [[nodiscard]] int slaveFd() const { return m_slave; }

    // Characters written that no program has read from the line yet.
    [[nodiscard]] int unread() const;
    // Runs events until the program has read everything written, then handles once what
    // that reading posted.
    [[nodiscard]] bool waitUntilRead();
    // Runs events until `count` characters wait unread, then one more pass: whether they
    // still wait, as they do when no program has the port open.
    [[nodiscard]] bool leftUnread(int count);
    // Whether a program holds the port's lock, as a terminal does while the port is open.
    [[nodiscard]] bool locked() const;

    void write(const QByteArray& bytes);
    // Everything the program has sent, waiting at most `wait` for the first byte and then
    // until the line is quiet for a moment.
    [[nodiscard]] QByteArray
    readAvailable(std::chrono::milliseconds wait = std::chrono::milliseconds(300));
    // The device hangs up: the master side closes.
    void hangUp();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};

} // namespace dravix::test
