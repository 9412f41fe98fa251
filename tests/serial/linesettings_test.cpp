#include "linesettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <ostream>
#include <string>

namespace dravix::test {
namespace {

struct SettingsRow
{
    const char* text;
    std::optional<LineSettings> expected;
};

void PrintTo(const SettingsRow& row, std::ostream* os)
{
    *os << '"' << row.text << '"';
}

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
        SettingsRow{"19200,,8,1", std::nullopt}),
    // The text itself, in the characters a test name may hold: 19200_O_8_1.
    [](const auto& info) {
        std::string name = std::to_string(info.index) + '_' + info.param.text;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return std::isalnum(c) == 0; }, '_');
        return name;
    });

} // namespace
} // namespace dravix::test
