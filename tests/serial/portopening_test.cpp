#include "portopening.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace dravix::test {
namespace {

struct FailureRow
{
    const char* name;
    PortNaming (*naming)();
    const char* path;
    QSerialPort::SerialPortError error;
    const char* holder;
    const char* expected;
};

void PrintTo(const FailureRow& row, std::ostream* os)
{
    *os << row.name;
}

class OpenFailure : public ::testing::TestWithParam<FailureRow>
{
};

TEST_P(OpenFailure, saysWhyAndWhatToDo)
{
    const FailureRow& row = GetParam();
    EXPECT_EQ(explainOpenFailure(row.error, QString::fromLatin1(row.path),
                                 QStringLiteral("Qt's words"), QString::fromLatin1(row.holder),
                                 row.naming()),
              QString::fromLatin1(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Causes, OpenFailure,
    ::testing::Values(
        FailureRow{"permission", &posixPortNaming, "/dev/ttyUSB0", QSerialPort::PermissionError, "",
                   "/dev/ttyUSB0: permission denied; add yourself to the group that owns it "
                   "(usually dialout: sudo usermod -aG dialout $USER), then log out and in again"},
        FailureRow{"missing", &posixPortNaming, "/dev/ttyUSB0", QSerialPort::DeviceNotFoundError,
                   "",
                   "/dev/ttyUSB0: no such device; is the drive's adapter plugged in? "
                   "dravix-terminal --list-ports shows the ports there are, and DRAVIX_PORT1 or "
                   "DRAVIX_PORT2 picks one"},
        // Qt reports a port another Qt program holds as a permission error.
        FailureRow{"heldByAnotherProgram", &posixPortNaming, "/dev/ttyUSB0",
                   QSerialPort::PermissionError, "process 42 (picocom)",
                   "/dev/ttyUSB0: in use by process 42 (picocom); close it there first"},
        // Windows lets one program at a time open a port and tells the next "access denied".
        FailureRow{"windowsInUse", &windowsPortNaming, "COM3", QSerialPort::PermissionError, "",
                   "COM3: in use by another program; close it there first"},
        FailureRow{"anythingElse", &posixPortNaming, "/dev/ttyUSB0", QSerialPort::OpenError, "",
                   "/dev/ttyUSB0: Qt's words"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dravix::test
