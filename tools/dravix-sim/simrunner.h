#pragma once

#include "simcore.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace dravix::sim {

// Serves the simulated drive on a pseudo-terminal until a signal, --count or idleness ends it.
class SimRunner final
{
public:
    explicit SimRunner(Options options);
    ~SimRunner();
    SimRunner(const SimRunner&) = delete;
    SimRunner& operator=(const SimRunner&) = delete;

    // Returns the process exit status.
    [[nodiscard]] int run();

private:
    using Clock = std::chrono::steady_clock;

    [[nodiscard]] bool openDevice();
    [[nodiscard]] bool createLink();
    void removeLink();
    [[nodiscard]] bool terminalAbsent() const;
    void produceDue(Clock::time_point now);
    void discardUnread();
    void readCommands();
    void waitForTerminalToRead() const;

    Options m_options;
    DriveModel m_drive;
    CommandScanner m_scanner;
    OutputQueue m_out;
    int m_master = -1;
    std::string m_devicePath;
    bool m_linkMade = false;
    Clock::duration m_interval;
    Clock::time_point m_nextDue;
    std::optional<Clock::time_point> m_absentSince;
    std::uint64_t m_readings = 0;
    std::uint64_t m_moves = 0;
};

} // namespace dravix::sim
