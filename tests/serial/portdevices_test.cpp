#include "portdevices.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace dravix::test {
namespace {

// Ports as Qt lists them: on Windows the path is in the device namespace (\\.\COM3); a
// description may follow a '|'.
[[nodiscard]] QList<SerialDevice> devicesNamed(const QStringList& names, const PortNaming& naming)
{
    QList<SerialDevice> devices;
    for (const QString& entry : names) {
        const QString name = entry.section(u'|', 0, 0);
        const QString portName = name.mid(name.lastIndexOf(u'\\') + 1);
        const QString path =
            naming.namespacePrefix.isEmpty() ? QStringLiteral("/dev/") + name : name;
        devices.append({portName, path, entry.section(u'|', 1), {}, {}, {}, {}, {}});
    }
    return devices;
}

[[nodiscard]] bool portPinned()
{
    return qEnvironmentVariableIsSet("DRAVIX_PORT1") || qEnvironmentVariableIsSet("DRAVIX_PORT2");
}

struct MappingRow
{
    const char* name;
    PortNaming (*naming)();
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
    if (portPinned())
        GTEST_SKIP() << "a port is pinned in this environment";
    const PortNaming naming = GetParam().naming();
    const QList<SerialDevice> present = devicesNamed(GetParam().present, naming);
    EXPECT_EQ(choosePort(1, present, {}, naming).path, QString::fromLatin1(GetParam().port1));
    EXPECT_EQ(choosePort(2, present, {}, naming).path, QString::fromLatin1(GetParam().port2));
    EXPECT_TRUE(choosePort(0, present, {}, naming).path.isEmpty());
    EXPECT_TRUE(choosePort(3, present, {}, naming).path.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    PresentPorts, PortNumbers,
    ::testing::Values(
        MappingRow{
            "noneFallsBackToTheLegacyPorts", &posixPortNaming, {}, "/dev/ttyS0", "/dev/ttyS1"},
        MappingRow{
            "oneAdapterIsPortOne", &posixPortNaming, {"ttyUSB0"}, "/dev/ttyUSB0", "/dev/ttyS1"},
        MappingRow{"onboardPortsComeFirst",
                   &posixPortNaming,
                   {"ttyUSB0", "ttyS0"},
                   "/dev/ttyS0",
                   "/dev/ttyUSB0"},
        MappingRow{"adaptersByName",
                   &posixPortNaming,
                   {"ttyUSB1", "ttyUSB0", "ttyACM0"},
                   "/dev/ttyACM0",
                   "/dev/ttyUSB0"},
        MappingRow{
            "numbersInOrder", &posixPortNaming, {"ttyS10", "ttyS2"}, "/dev/ttyS2", "/dev/ttyS10"},
        MappingRow{"windowsNoneFallsBackToCom1AndCom2", &windowsPortNaming, {}, "COM1", "COM2"},
        MappingRow{
            "windowsOneAdapterIsPortOne", &windowsPortNaming, {R"(\\.\COM3)"}, "COM3", "COM2"},
        MappingRow{"windowsComPortsByNumberNotByText",
                   &windowsPortNaming,
                   {R"(\\.\COM10)", R"(\\.\COM3)", R"(\\.\COM2)"},
                   "COM2",
                   "COM3"},
        MappingRow{
            "windowsPlainNamesToo", &windowsPortNaming, {"COM12", R"(\\.\COM4)"}, "COM4", "COM12"},
        // Virtual ports the system names as such come last; real ones keep their order.
        MappingRow{"windowsBluetoothPortsComeLast",
                   &windowsPortNaming,
                   {R"(\\.\COM3|Standard Serial over Bluetooth link)",
                    R"(\\.\COM4|Standard Serial over Bluetooth link)",
                    R"(\\.\COM5|USB Serial Port)"},
                   "COM5",
                   "COM3"},
        MappingRow{"windowsOnboardCom1StaysPortOne",
                   &windowsPortNaming,
                   {R"(\\.\COM7|USB Serial Port)",
                    R"(\\.\COM3|Standard Serial over Bluetooth link)",
                    R"(\\.\COM1|Communications Port)"},
                   "COM1",
                   "COM7"},
        MappingRow{"windowsSerialOverLanIsVirtual",
                   &windowsPortNaming,
                   {R"(\\.\COM3|Intel(R) Active Management Technology - SOL)",
                    R"(\\.\COM4|USB Serial Port)"},
                   "COM4",
                   "COM3"},
        MappingRow{"bluetoothRfcommLast",
                   &posixPortNaming,
                   {"rfcomm0", "ttyUSB0"},
                   "/dev/ttyUSB0",
                   "/dev/rfcomm0"}),
    [](const auto& info) { return std::string(info.param.name); });

struct OverrideRow
{
    const char* name;
    PortNaming (*naming)();
    const char* pinned; // DRAVIX_PORT2
    PortPins pins;
    QStringList present;
    const char* port2;
    PortSource source;
};

void PrintTo(const OverrideRow& row, std::ostream* os)
{
    *os << row.name;
}

class PortOverride : public ::testing::TestWithParam<OverrideRow>
{
};

TEST_P(PortOverride, winsOverThePortsPresent)
{
    const OverrideRow& row = GetParam();
    const test::PortMapping pinned(2, QString::fromLatin1(row.pinned));
    const PortChoice choice =
        choosePort(2, devicesNamed(row.present, row.naming()), row.pins, row.naming());
    EXPECT_EQ(choice.path, QString::fromLatin1(row.port2));
    EXPECT_EQ(choice.source, row.source);
}

INSTANTIATE_TEST_SUITE_P(
    Pinned, PortOverride,
    ::testing::Values(OverrideRow{"byIdLink",
                                  &posixPortNaming,
                                  "/dev/serial/by-id/usb-FTDI_A1B2-if00",
                                  {},
                                  {"ttyUSB0", "ttyUSB1"},
                                  "/dev/serial/by-id/usb-FTDI_A1B2-if00",
                                  PortSource::Environment},
                      // Written as Qt lists it and in any case, it is still named as users do.
                      OverrideRow{"windowsComPort",
                                  &windowsPortNaming,
                                  R"(\\.\com12)",
                                  {},
                                  {R"(\\.\COM3)", R"(\\.\COM4)"},
                                  "COM12",
                                  PortSource::Environment},
                      OverrideRow{"commandLineWinsOverTheVariable",
                                  &windowsPortNaming,
                                  "COM12",
                                  {std::nullopt, QStringLiteral("com7")},
                                  {R"(\\.\COM3)", R"(\\.\COM4)"},
                                  "COM7",
                                  PortSource::CommandLine},
                      OverrideRow{"menuWinsOverBoth",
                                  &windowsPortNaming,
                                  "COM12",
                                  {QStringLiteral("COM3"), QStringLiteral("COM7")},
                                  {R"(\\.\COM3)", R"(\\.\COM4)"},
                                  "COM3",
                                  PortSource::Menu},
                      OverrideRow{"automaticChosenInTheMenuSetsThePinsAside",
                                  &windowsPortNaming,
                                  "COM12",
                                  {QString(), QStringLiteral("COM7")},
                                  {R"(\\.\COM3)", R"(\\.\COM4)"},
                                  "COM4",
                                  PortSource::Automatic}),
    [](const auto& info) { return std::string(info.param.name); });

struct ListingRow
{
    const char* name;
    PortNaming (*naming)();
    QList<SerialDevice> present; // as Qt lists them
    const char* expected;
};

void PrintTo(const ListingRow& row, std::ostream* os)
{
    *os << row.name;
}

class PortListing : public ::testing::TestWithParam<ListingRow>
{
};

TEST_P(PortListing, namesEachPortWhatIdentifiesItAndItsButton)
{
    if (portPinned())
        GTEST_SKIP() << "a port is pinned in this environment";
    const PortNaming naming = GetParam().naming();
    EXPECT_EQ(portListing(GetParam().present, naming), QString::fromLatin1(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Listings, PortListing,
    ::testing::Values(
        ListingRow{"usbAdapter",
                   &posixPortNaming,
                   {{QStringLiteral("ttyUSB0"), QStringLiteral("/dev/ttyUSB0"),
                     QStringLiteral("FT232R USB UART"), 0x0403, 0x6001, QStringLiteral("A1B2C3"),
                     QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"),
                     QStringLiteral("FTDI")}},
                   "/dev/ttyUSB0  FT232R USB UART  USB 0403:6001  serial A1B2C3  "
                   "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0  "
                   "-> Comm Port 1\n"
                   "Comm Port 2 opens /dev/ttyS1, which is not listed\n"},
        ListingRow{"none",
                   &posixPortNaming,
                   {},
                   "No serial ports found.\n"
                   "Comm Port 1 opens /dev/ttyS0, which is not listed\n"
                   "Comm Port 2 opens /dev/ttyS1, which is not listed\n"},
        // Qt names the path in the device namespace; the listing names the port as users do.
        ListingRow{"windowsComPorts",
                   &windowsPortNaming,
                   {{QStringLiteral("COM10"),
                     QStringLiteral(R"(\\.\COM10)"),
                     QStringLiteral("USB Serial Port"),
                     0x0403,
                     0x6001,
                     QStringLiteral("A1B2C3"),
                     {},
                     QStringLiteral("FTDI")},
                    {QStringLiteral("COM3"),
                     QStringLiteral(R"(\\.\COM3)"),
                     QStringLiteral("Standard Serial over Bluetooth link"),
                     std::nullopt,
                     std::nullopt,
                     {},
                     {},
                     {}},
                    {QStringLiteral("COM1"),
                     QStringLiteral(R"(\\.\COM1)"),
                     QStringLiteral("Communications Port"),
                     std::nullopt,
                     std::nullopt,
                     {},
                     {},
                     {}}},
                   "COM1  onboard  Communications Port  -> Comm Port 1\n"
                   "COM10  USB Serial Port  USB 0403:6001  serial A1B2C3  -> Comm Port 2\n"
                   "COM3  Bluetooth  Standard Serial over Bluetooth link\n"},
        ListingRow{"windowsNone",
                   &windowsPortNaming,
                   {},
                   "No serial ports found.\n"
                   "Comm Port 1 opens COM1, which is not listed\n"
                   "Comm Port 2 opens COM2, which is not listed\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PortTitle, namesThePortWithWhatIdentifiesIt)
{
    const struct
    {
        SerialDevice device;
        const char* expected;
    } cases[] = {
        {{QStringLiteral("COM5"),
          QStringLiteral(R"(\\.\COM5)"),
          QStringLiteral("USB Serial Port"),
          0x0403,
          0x6001,
          QStringLiteral("A1B2C3"),
          {},
          QStringLiteral("FTDI")},
         "COM5 \u2014 USB Serial Port (FTDI 0403:6001, serial A1B2C3)"},
        {{QStringLiteral("COM3"),
          QStringLiteral(R"(\\.\COM3)"),
          QStringLiteral("Standard Serial over Bluetooth link"),
          std::nullopt,
          std::nullopt,
          {},
          {},
          {}},
         "COM3 \u2014 Standard Serial over Bluetooth link (Bluetooth)"},
        {{QStringLiteral("COM9"),
          QStringLiteral("COM9"),
          {},
          std::nullopt,
          std::nullopt,
          {},
          {},
          {}},
         "COM9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(portTitle(c.device, windowsPortNaming()), QString::fromUtf8(c.expected));
}

} // namespace
} // namespace dravix::test
