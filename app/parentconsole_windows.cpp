#include "parentconsole.h"

#include <io.h>
#include <windows.h>

#include <cstdio>

namespace dravix {
namespace {

// A windowed program has no standard handles unless its starter redirected them; one it
// was handed but cannot use (a console it is not attached to) counts as none.
[[nodiscard]] bool hasStandardHandle(DWORD which)
{
    const HANDLE handle = ::GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

void writeToConsole(DWORD which, FILE* stream)
{
    FILE* reopened = nullptr;
    if (::freopen_s(&reopened, "CONOUT$", "w", stream) != 0)
        return;
    // For code that asks Windows rather than the C library for the handle.
    ::SetStdHandle(which, reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream))));
}

// The program runs beside the console's prompt, not in it: Ctrl+C or Ctrl+Break typed there
// is for whatever runs at the prompt.
BOOL WINAPI ignoreInterrupts(DWORD event)
{
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? TRUE : FALSE;
}

} // namespace

void attachToParentConsole()
{
    // Asked before attaching: a stream redirected to a file or a pipe keeps going there.
    const bool outMissing = !hasStandardHandle(STD_OUTPUT_HANDLE);
    const bool errMissing = !hasStandardHandle(STD_ERROR_HANDLE);
    if (!outMissing && !errMissing)
        return;
    // Started from Explorer there is no parent console, and nothing changes. Denied means
    // a console is attached already (Wine attaches a windowed child to its parent's).
    if (!::AttachConsole(ATTACH_PARENT_PROCESS) && ::GetLastError() != ERROR_ACCESS_DENIED)
        return;
    ::SetConsoleCtrlHandler(ignoreInterrupts, TRUE);
    if (outMissing)
        writeToConsole(STD_OUTPUT_HANDLE, stdout);
    if (errMissing)
        writeToConsole(STD_ERROR_HANDLE, stderr);
}

} // namespace dravix
