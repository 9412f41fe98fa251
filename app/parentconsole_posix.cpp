#include "parentconsole.h"

namespace dravix {

// A program started from a terminal writes to it already.
void attachToParentConsole() {}

} // namespace dravix
