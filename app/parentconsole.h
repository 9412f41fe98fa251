#pragma once

namespace dravix {

// Sends standard output and error to the console the program was started from, where the
// platform gives a windowed program none of its own (Windows). Does nothing when there is no
// such console, or when both streams already go somewhere (a file, a pipe).
void attachToParentConsole();

} // namespace dravix
