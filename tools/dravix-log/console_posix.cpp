#include "console.h"

#include "stopsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>

namespace dravix::log {

void quitOnStopRequests()
{
    const int wakeUp = stopSignalPipe({SIGINT, SIGTERM});
    if (wakeUp < 0)
        return;
    auto* notifier =
        new QSocketNotifier(wakeUp, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [] { QCoreApplication::exit(0); });
}

void useBinaryStandardOutput() {}

} // namespace dravix::log
