#include "commandline.h"
#include "portdevices.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace dravix {
namespace {

[[nodiscard]] QList<SerialDevice> devicesNamed(const QStringList& names)
{
    QList<SerialDevice> devices;
    for (const QString& name : names)
        devices.append({name, QStringLiteral("/dev/") + name, {}, {}, {}, {}, {}});
    sortForPortNumbers(devices);
    return devices;
}

struct MappingRow
{
    const char* name;
    QStringList present; // in the order the system lists them
    const char* port1;
    const char* port2;
};

void PrintTo(const MappingRow& row, std::ostream* os)
{
    *os << row.name;
}

class PortNumbers : public ::testing::TestWithParam<MappingRow>
{
};

TEST_P(PortNumbers, takeTheFirstAndSecondPortsPresent)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows keeps COM1 and COM2";
#endif
    if (qEnvironmentVariableIsSet("DRAVIX_PORT1") || qEnvironmentVariableIsSet("DRAVIX_PORT2"))
        GTEST_SKIP() << "a port is pinned in this environment";
    const QList<SerialDevice> present = devicesNamed(GetParam().present);
    EXPECT_EQ(chooseDevicePath(1, present), QString::fromLatin1(GetParam().port1));
    EXPECT_EQ(chooseDevicePath(2, present), QString::fromLatin1(GetParam().port2));
    EXPECT_TRUE(chooseDevicePath(0, present).isEmpty());
    EXPECT_TRUE(chooseDevicePath(3, present).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    PresentPorts, PortNumbers,
    ::testing::Values(
        MappingRow{"noneFallsBackToTheLegacyPorts", {}, "/dev/ttyS0", "/dev/ttyS1"},
        MappingRow{"oneAdapterIsPortOne", {"ttyUSB0"}, "/dev/ttyUSB0", "/dev/ttyS1"},
        MappingRow{"onboardPortsComeFirst", {"ttyUSB0", "ttyS0"}, "/dev/ttyS0", "/dev/ttyUSB0"},
        MappingRow{
            "adaptersByName", {"ttyUSB1", "ttyUSB0", "ttyACM0"}, "/dev/ttyACM0", "/dev/ttyUSB0"},
        MappingRow{"numbersInOrder", {"ttyS10", "ttyS2"}, "/dev/ttyS2", "/dev/ttyS10"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PortNumbers, anOverrideWinsOverThePortsPresent)
{
    const test::PortMapping pinned(2, QStringLiteral("/dev/serial/by-id/usb-FTDI_A1B2-if00"));
    EXPECT_EQ(chooseDevicePath(2, devicesNamed({"ttyUSB0", "ttyUSB1"})),
              QStringLiteral("/dev/serial/by-id/usb-FTDI_A1B2-if00"));
}

TEST(PortListing, namesEachPortWhatIdentifiesItAndItsButton)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows keeps COM1 and COM2";
#endif
    if (qEnvironmentVariableIsSet("DRAVIX_PORT1") || qEnvironmentVariableIsSet("DRAVIX_PORT2"))
        GTEST_SKIP() << "a port is pinned in this environment";
    const QList<SerialDevice> present = {
        {QStringLiteral("ttyUSB0"), QStringLiteral("/dev/ttyUSB0"),
         QStringLiteral("FT232R USB UART"), 0x0403, 0x6001, QStringLiteral("A1B2C3"),
         QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0")}};
    EXPECT_EQ(portListing(present),
              QStringLiteral("/dev/ttyUSB0  FT232R USB UART  USB 0403:6001  serial A1B2C3  "
                             "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0  "
                             "-> Comm Port 1\n"
                             "Comm Port 2 opens /dev/ttyS1, which is not listed\n"));
    EXPECT_EQ(portListing({}),
              QStringLiteral("No serial ports found.\n"
                             "Comm Port 1 opens /dev/ttyS0, which is not listed\n"
                             "Comm Port 2 opens /dev/ttyS1, which is not listed\n"));
}

struct FailureRow
{
    const char* name;
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
    EXPECT_EQ(explainOpenFailure(row.error, QStringLiteral("/dev/ttyUSB0"),
                                 QStringLiteral("Qt's words"), QString::fromLatin1(row.holder)),
              QString::fromLatin1(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Causes, OpenFailure,
    ::testing::Values(
        FailureRow{"permission", QSerialPort::PermissionError, "",
                   "/dev/ttyUSB0: permission denied; add yourself to the group that owns it "
                   "(usually dialout: sudo usermod -aG dialout $USER), then log out and in again"},
        FailureRow{"missing", QSerialPort::DeviceNotFoundError, "",
                   "/dev/ttyUSB0: no such device; is the drive's adapter plugged in? "
                   "dravix-terminal --list-ports shows the ports there are, and DRAVIX_PORT1 or "
                   "DRAVIX_PORT2 picks one"},
        // Qt reports a port another Qt program holds as a permission error.
        FailureRow{"heldByAnotherProgram", QSerialPort::PermissionError, "process 42 (picocom)",
                   "/dev/ttyUSB0: in use by process 42 (picocom); close it there first"},
        FailureRow{"anythingElse", QSerialPort::OpenError, "", "/dev/ttyUSB0: Qt's words"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ArgumentsRow
{
    const char* name;
    QStringList arguments;
    std::optional<int> exitCode;
    const char* outStarts;
    const char* err;
};

void PrintTo(const ArgumentsRow& row, std::ostream* os)
{
    *os << row.name;
}

class CommandLine : public ::testing::TestWithParam<ArgumentsRow>
{
};

TEST_P(CommandLine, answersItsThreeOptionsAndRefusesTheRest)
{
    const ArgumentsRow& row = GetParam();
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    EXPECT_EQ(answerCommandLine(row.arguments, outStream, errStream), row.exitCode);
    outStream.flush();
    errStream.flush();
    const QString starts = QString::fromLatin1(row.outStarts);
    EXPECT_EQ(out.left(starts.size()), starts) << out.toStdString();
    EXPECT_EQ(err, QString::fromLatin1(row.err));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLine,
    ::testing::Values(ArgumentsRow{"noneStartsTheWindow", {}, std::nullopt, "", ""},
                      ArgumentsRow{"help", {"--help"}, 0, "Usage: dravix-terminal [--help", ""},
                      ArgumentsRow{"version", {"--version"}, 0, "dravix-terminal 1.", ""},
                      ArgumentsRow{"listPorts", {"--list-ports"}, 0, "", ""},
                      ArgumentsRow{"unknownOption",
                                   {"--baud"},
                                   2,
                                   "",
                                   "dravix-terminal: unknown argument '--baud' (try --help)\n"},
                      ArgumentsRow{"strayArgument",
                                   {"--help", "COM3"},
                                   2,
                                   "",
                                   "dravix-terminal: unknown argument 'COM3' (try --help)\n"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dravix
