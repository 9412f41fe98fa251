#pragma once

namespace dravix::log {

// Ctrl+C and SIGTERM (POSIX) or Ctrl+C and Ctrl+Break (Windows) end the event loop with
// status 0 instead of killing the program, so the recording ends between two rows.
// Call with the application object in place.
void quitOnStopRequests();

// Rows go out byte for byte: Windows would add a CR before each LF of standard output.
void useBinaryStandardOutput();

} // namespace dravix::log
