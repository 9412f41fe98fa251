#include "serialport.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

#ifdef DRAVIX_HAVE_PTY
#include "pseudoterminal.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace dravix::test {
namespace {

using namespace std::chrono_literals;

#ifdef DRAVIX_HAVE_PTY
// Everything waiting, one input at a time as every reader takes it.
QByteArray takeAll(SerialPort& port)
{
    QByteArray all;
    while (port.inBufferCount() > 0)
        all += port.input();
    return all;
}

// A port on a fresh pseudo-terminal.
class SerialPortOnPty : public ::testing::Test
{
protected:
    void openPort()
    {
        port.setDevicePath(pty.slavePath());
        port.setPortOpen(true);
        ASSERT_TRUE(port.portOpen());
    }
    // Waits until the port has taken in `count` characters.
    bool waitForWaiting(qint64 count)
    {
        return QTest::qWaitFor([&] { return port.inBufferCount() >= count; }, 2000);
    }

    test::PseudoTerminal pty;
    SerialPort port;
};

TEST_F(SerialPortOnPty, openingAppliesTheLineSettings)
{
    openPort();
    termios attributes{};
    ASSERT_EQ(::tcgetattr(pty.masterFd(), &attributes), 0);
    EXPECT_EQ(cfgetospeed(&attributes), B19200);
    EXPECT_EQ(cfgetispeed(&attributes), B19200);
    EXPECT_EQ(attributes.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(attributes.c_cflag & PARODD);
    EXPECT_FALSE(attributes.c_cflag & CSTOPB);
    // A character with a parity error is marked, not dropped.
    EXPECT_TRUE(attributes.c_iflag & PARMRK);
    EXPECT_TRUE(attributes.c_iflag & INPCK);
    EXPECT_FALSE(attributes.c_iflag & IGNPAR);
    // A pseudo-terminal has no parity generator: Linux clears PARENB whatever is asked, so
    // the odd-parity choice shows in PARODD only.
}

TEST_F(SerialPortOnPty, oneInputTakesTheOldestCharacter)
{
    openPort();
    pty.write("xyz");
    ASSERT_TRUE(waitForWaiting(3));
    EXPECT_EQ(port.input(), QByteArray("x"));
    EXPECT_EQ(port.inBufferCount(), 2);
    EXPECT_EQ(port.input(), QByteArray("y"));
    EXPECT_EQ(port.input(), QByteArray("z"));
    EXPECT_EQ(port.inBufferCount(), 0);
}

TEST_F(SerialPortOnPty, outputSendsExactlyTheBytesWithNoTerminator)
{
    openPort();
    port.output(u"UC030002");
    EXPECT_EQ(pty.readAvailable(), QByteArray("UC030002"));
    port.output(u"");
    port.output(u"\u20AC!");
    EXPECT_EQ(pty.readAvailable(), QByteArray("?!"));
}

TEST_F(SerialPortOnPty, arrivingCharactersAreAnnouncedAndNoneAreDropped)
{
    openPort();
    QSignalSpy arrived(&port, &SerialPort::charactersArrived);
    // Far more than a 1024-byte driver buffer: nothing may be lost.
    QByteArray sent;
    for (int i = 0; i < 20000; ++i)
        sent.append(static_cast<char>('A' + i % 26));
    pty.write(sent);
    ASSERT_TRUE(waitForWaiting(sent.size()));
    EXPECT_GE(arrived.count(), 1);
    EXPECT_EQ(takeAll(port), sent);
}

TEST_F(SerialPortOnPty, emptyingTheReceiveBufferDiscardsWhatWaits)
{
    openPort();
    pty.write("12345");
    ASSERT_TRUE(waitForWaiting(5));
    port.setInBufferCount(0);
    EXPECT_EQ(port.inBufferCount(), 0);
    pty.write("9");
    ASSERT_TRUE(waitForWaiting(1));
    EXPECT_EQ(port.input(), QByteArray("9"));
}

TEST_F(SerialPortOnPty, closeAndOpenAgainWorksAtOddParity)
{
    openPort();
    port.setPortOpen(false);
    EXPECT_FALSE(port.portOpen());
    port.setPortOpen(true);
    EXPECT_TRUE(port.portOpen());
    pty.write("k");
    ASSERT_TRUE(waitForWaiting(1));
    EXPECT_EQ(port.input(), QByteArray("k"));
}

TEST_F(SerialPortOnPty, anotherOpenerHoldingThePortMakesTheOpenFail)
{
    openPort();
    SerialPort second;
    second.setDevicePath(pty.slavePath());
    try {
        second.setPortOpen(true);
        FAIL() << "second open succeeded";
    } catch (const PortError& error) {
        EXPECT_EQ(error.code(), PortErrorCode::CannotOpenPort);
    }
    EXPECT_FALSE(second.portOpen());
    port.setPortOpen(false);
    second.setPortOpen(true);
    EXPECT_TRUE(second.portOpen());
}

TEST_F(SerialPortOnPty, aByteFFArrivesOnceThroughTheParityMarking)
{
    openPort();
    pty.write("\xFF"
              "A\xFF\xFF");
    ASSERT_TRUE(waitForWaiting(4));
    ASSERT_TRUE(pty.waitUntilRead());
    EXPECT_EQ(takeAll(port), QByteArray("\xFF"
                                        "A\xFF\xFF"));
}

TEST_F(SerialPortOnPty, aDeviceLockedByAnotherToolIsNotOpenedAndOursIsLockedWhileOpen)
{
    const QByteArray path = pty.slavePath().toLocal8Bit();
    // Another serial tool holding the device as tio or picocom do.
    const int other = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    port.setDevicePath(pty.slavePath());
    try {
        port.setPortOpen(true);
        FAIL() << "opened a device another program has locked";
    } catch (const PortError& error) {
        EXPECT_EQ(error.code(), PortErrorCode::CannotOpenPort);
        EXPECT_TRUE(error.text().contains(QStringLiteral("locked"))) << error.what();
    }
    EXPECT_FALSE(port.portOpen());

    ::flock(other, LOCK_UN);
    openPort();
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0) << "the open port is not locked";
    EXPECT_EQ(errno, EWOULDBLOCK);
    port.setPortOpen(false);
    EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0) << "closing did not release the lock";
    ::close(other);
}

TEST_F(SerialPortOnPty, openingAnOpenPortRaises)
{
    openPort();
    EXPECT_THROW(port.setPortOpen(true), PortError);
    EXPECT_THROW(port.setCommPort(2), PortError);
    EXPECT_TRUE(port.portOpen());
}

TEST_F(SerialPortOnPty, hangUpGivesOneFailureAndReleasesThePort)
{
    openPort();
    QSignalSpy failed(&port, &SerialPort::portFailed);
    pty.hangUp();
    ASSERT_TRUE(failed.wait(2000));
    // Qt repeats read errors on a dead descriptor; only one may come through.
    EXPECT_FALSE(failed.wait(600));
    EXPECT_EQ(failed.count(), 1);
    EXPECT_FALSE(port.portOpen());
    const auto error = failed.first().first().value<PortError>();
    EXPECT_EQ(error.code(), PortErrorCode::DeviceFailed);
}

TEST_F(SerialPortOnPty, aQuietLineIsNotAHangUp)
{
    openPort();
    QSignalSpy failed(&port, &SerialPort::portFailed);
    // Several of the port's hang-up probes go by with nothing on the line.
    EXPECT_FALSE(failed.wait(700));
    EXPECT_TRUE(port.portOpen());
    pty.write("q");
    ASSERT_TRUE(waitForWaiting(1));
    EXPECT_EQ(port.input(), QByteArray("q"));
}

#endif

TEST(SerialPortClosed, emptyingBuffersRaisesNothing)
{
    SerialPort port;
    EXPECT_NO_THROW(port.setInBufferCount(0));
    EXPECT_NO_THROW(port.setOutBufferCount(0));
    EXPECT_EQ(port.inBufferCount(), 0);
    EXPECT_FALSE(port.portOpen());
}

TEST(SerialPortClosed, designValues)
{
    const SerialPort port;
    EXPECT_EQ(port.commPort(), 1);
}

TEST(SerialPortClosed, inputAndOutputRaiseWithNumberAndText)
{
    SerialPort port;
    for (const auto& operation : std::initializer_list<std::function<void()>>{
             [&] { port.output(u"UC030002"); }, [&] { (void)port.input(); }}) {
        try {
            operation();
            FAIL() << "no error raised";
        } catch (const PortError& error) {
            EXPECT_EQ(error.code(), PortErrorCode::PortNotOpen);
            EXPECT_GT(error.number(), 0);
            EXPECT_FALSE(error.text().isEmpty());
        }
    }
}

TEST(SerialPortClosed, openingAMissingDeviceRaisesAndStaysClosed)
{
    SerialPort port;
    port.setDevicePath(test::missingDevice());
    try {
        port.setPortOpen(true);
        FAIL() << "open succeeded";
    } catch (const PortError& error) {
        EXPECT_EQ(error.code(), PortErrorCode::CannotOpenPort);
        EXPECT_TRUE(error.text().contains(test::missingDevice()));
    }
    EXPECT_FALSE(port.portOpen());
}

TEST(SerialPortClosed, malformedSettingsRaise)
{
    SerialPort port;
    try {
        port.setSettings(QStringLiteral("19200;O;8;1"));
        FAIL() << "no error raised";
    } catch (const PortError& error) {
        EXPECT_EQ(error.code(), PortErrorCode::InvalidSettings);
        EXPECT_FALSE(error.text().isEmpty());
    }
}

TEST(SerialPortClosed, otherPortNumbersRaiseAndKeepTheOldNumber)
{
    SerialPort port;
    for (const int bad : {0, 3, -1, 16}) {
        EXPECT_THROW(port.setCommPort(bad), PortError) << bad;
        EXPECT_EQ(port.commPort(), 1);
    }
    port.setCommPort(2);
    EXPECT_EQ(port.commPort(), 2);
}

TEST(DeviceBytes, oneBytePerCharacterAndQuestionMarkOutsideLatin1)
{
    EXPECT_EQ(toDeviceBytes(u"abc"), QByteArray("abc"));
    EXPECT_EQ(toDeviceBytes(u"caf\u00E9"), QByteArray("caf\xE9"));
    EXPECT_EQ(toDeviceBytes(u"\u20AC1"), QByteArray("?1"));
    // One code point beyond the basic plane is one character, so one '?'.
    EXPECT_EQ(toDeviceBytes(QString::fromUtf8("a\xF0\x9F\x98\x80"
                                              "b")),
              QByteArray("a?b"));
    EXPECT_EQ(toDeviceBytes(u"\t\r"), QByteArray("\t\r"));
    EXPECT_TRUE(toDeviceBytes(u"").isEmpty());
}

struct QtErrorRow
{
    const char* name;
    QSerialPort::SerialPortError error;
    bool deviceFailed;
};

void PrintTo(const QtErrorRow& row, std::ostream* os)
{
    *os << row.name;
}

class QtErrors : public ::testing::TestWithParam<QtErrorRow>
{
};

TEST_P(QtErrors, onAnOpenPortMeanTheDeviceFailedUnlessASettingWasRefused)
{
    EXPECT_EQ(meansDeviceFailed(GetParam().error), GetParam().deviceFailed);
}

// Every error Qt 6 reports.
INSTANTIATE_TEST_SUITE_P(
    Kinds, QtErrors,
    ::testing::Values(QtErrorRow{"none", QSerialPort::NoError, false},
                      QtErrorRow{"refusedSetting", QSerialPort::UnsupportedOperationError, false},
                      QtErrorRow{"timedOutWait", QSerialPort::TimeoutError, false},
                      QtErrorRow{"openedTwice", QSerialPort::OpenError, false},
                      QtErrorRow{"notOpen", QSerialPort::NotOpenError, false},
                      QtErrorRow{"read", QSerialPort::ReadError, true},
                      QtErrorRow{"write", QSerialPort::WriteError, true},
                      // How Qt on Windows reports a removed adapter, depending on its driver.
                      QtErrorRow{"resource", QSerialPort::ResourceError, true},
                      QtErrorRow{"permission", QSerialPort::PermissionError, true},
                      QtErrorRow{"unknown", QSerialPort::UnknownError, true},
                      QtErrorRow{"deviceNotFound", QSerialPort::DeviceNotFoundError, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dravix::test
