#include "console.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace dravix::log {
namespace {

// Runs on a thread of its own: the quit is posted to the event loop.
BOOL WINAPI requestStop(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

void quitOnStopRequests()
{
    SetConsoleCtrlHandler(requestStop, TRUE);
}

void useBinaryStandardOutput()
{
    _setmode(_fileno(stdout), _O_BINARY);
}

} // namespace dravix::log
