#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

#include <chrono>

namespace dravix::test {

// Runs events until `done` holds or the time is up. Unlike QTest::qWaitFor it never sleeps
// between passes, so queued work drains at full speed and loops of thousands of waits stay
// quick.
template <typename Done>
[[nodiscard]] bool waitFor(Done done, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout.count())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (!done())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// A device that is on no machine, named as the platform names ports (Windows upper-cases
// what DRAVIX_PORTn names, as COM names are).
[[nodiscard]] inline QString missingDevice()
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM250");
#else
    return QStringLiteral("/dev/dravix-no-such-device");
#endif
}

// Points DRAVIX_PORTn at a path for the lifetime of the object.
class PortMapping final
{
public:
    PortMapping(int portNumber, const QString& path);
    ~PortMapping();
    PortMapping(const PortMapping&) = delete;
    PortMapping& operator=(const PortMapping&) = delete;

private:
    QByteArray m_name;
    QByteArray m_previous;
    bool m_hadPrevious;
};

} // namespace dravix::test
