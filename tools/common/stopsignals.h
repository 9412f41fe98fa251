#pragma once

#include <initializer_list>

namespace dravix {

// Turns the given signals into a byte on a pipe, since a handler may only write: a loop waits
// on the read end beside its other descriptors. Returns that end, or -1 when the pipe or a
// handler could not be set up. Call once per process.
[[nodiscard]] int stopSignalPipe(std::initializer_list<int> stopSignals);

// Whether one of those signals has come.
[[nodiscard]] bool stopRequested();

// Empties the pipe after it woke a wait.
void drainStopSignals();

} // namespace dravix
