#include "linesettings.h"
#include "serialport.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace dravix {
namespace {

struct SettingsRow
{
    const char* text;
    std::optional<LineSettings> expected;
};

class Settings : public ::testing::TestWithParam<SettingsRow>
{
};

TEST_P(Settings, parsesOrRefuses)
{
    EXPECT_EQ(parseLineSettings(QString::fromLatin1(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Settings,
    ::testing::Values(
        SettingsRow{"19200,O,8,1", LineSettings{}},
        SettingsRow{"9600,n,7,2", LineSettings{9600, QSerialPort::NoParity, QSerialPort::Data7,
                                               QSerialPort::TwoStop}},
        SettingsRow{"115200,E,8,1.5",
                    LineSettings{115200, QSerialPort::EvenParity, QSerialPort::Data8,
                                 QSerialPort::OneAndHalfStop}},
        SettingsRow{"300,M,5,1", LineSettings{300, QSerialPort::MarkParity, QSerialPort::Data5,
                                              QSerialPort::OneStop}},
        SettingsRow{"1200,S,6,1", LineSettings{1200, QSerialPort::SpaceParity, QSerialPort::Data6,
                                               QSerialPort::OneStop}},
        SettingsRow{"", std::nullopt}, SettingsRow{"19200,O,8", std::nullopt},
        SettingsRow{"19200,O,8,1,1", std::nullopt}, SettingsRow{"fast,O,8,1", std::nullopt},
        SettingsRow{"-19200,O,8,1", std::nullopt}, SettingsRow{"19200,X,8,1", std::nullopt},
        SettingsRow{"19200,OO,8,1", std::nullopt}, SettingsRow{"19200,O,9,1", std::nullopt},
        SettingsRow{"19200,O,4,1", std::nullopt}, SettingsRow{"19200,O,8,3", std::nullopt},
        SettingsRow{"19200,,8,1", std::nullopt}));

TEST(SerialSettings, malformedTextRaisesAndKeepsTheOldSettings)
{
    SerialPort port;
    try {
        port.setSettings(QStringLiteral("19200;O;8;1"));
        FAIL() << "no error raised";
    } catch (const PortError& error) {
        EXPECT_EQ(error.code(), PortErrorCode::InvalidSettings);
        EXPECT_FALSE(error.text().isEmpty());
    }
    EXPECT_EQ(port.settings(), QStringLiteral("19200,O,8,1"));
}

TEST(PortMappingTest, otherPortNumbersRaiseAndKeepTheOldNumber)
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
} // namespace dravix
