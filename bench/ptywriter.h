#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace dravix::bench {

// Plays the device on the master side of a pseudo-terminal from a child process, so the
// writer's CPU never counts against the terminal measured in this process.
class PtyWriter final
{
public:
    enum class Mode : std::int32_t { LineRate, OneAtATime, Flood };

    // Forks: call before any thread exists (before QApplication).
    PtyWriter();
    ~PtyWriter();
    PtyWriter(const PtyWriter&) = delete;
    PtyWriter& operator=(const PtyWriter&) = delete;

    [[nodiscard]] const std::string& slavePath() const { return m_slavePath; }

    // Starts writing readings first..first+count-1; returns at once.
    void start(Mode mode, std::uint32_t first, int count, int charsPerSecond = 0,
               int charsPerWrite = 1);
    // Blocks until the writer has finished the last start(): for OneAtATime the
    // CLOCK_MONOTONIC nanoseconds at which each reading's eighth character was written.
    [[nodiscard]] std::vector<std::int64_t> waitDone();
    // OneAtATime only: the reading `seq` has been dealt with, the next may go.
    void release(std::uint32_t seq);

private:
    std::string m_slavePath;
    pid_t m_child = -1;
    int m_commandFd = -1;
    int m_replyFd = -1;
    int m_releaseFd = -1;
};

} // namespace dravix::bench
