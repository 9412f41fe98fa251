#include "logoptions.h"

#include <gtest/gtest.h>

namespace dravix::test {
namespace {

using namespace dravix::log;
using Kind = LogCommand::Kind;
using namespace std::chrono_literals;

struct AcceptCase
{
    const char* name;
    QStringList arguments;
    LogOptions expected;
};

// Keeps test names short in listings.
void PrintTo(const AcceptCase& c, std::ostream* os)
{
    *os << c.name;
}

LogOptions with(auto change)
{
    LogOptions options;
    change(options);
    return options;
}

class Accept : public testing::TestWithParam<AcceptCase>
{
};

TEST_P(Accept, recordsWithTheseOptions)
{
    const CommandLine line = parseCommandLine(GetParam().arguments);
    ASSERT_EQ(line.action, CommandLine::Action::Record) << line.error.toStdString();
    EXPECT_TRUE(line.options == GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Options, Accept,
    testing::Values(
        AcceptCase{"Defaults", {}, LogOptions{}},
        AcceptCase{"PortTwo", {"--port", "2"}, with([](auto& o) { o.portNumber = 2; })},
        AcceptCase{
            "Device", {"--port=/dev/ttyUSB0"}, with([](auto& o) { o.device = "/dev/ttyUSB0"; })},
        AcceptCase{"WindowsPort", {"--port", "COM3"}, with([](auto& o) { o.device = "COM3"; })},
        // The commands keep the order given, sends and moves interleaved.
        AcceptCase{"CommandsInOrder",
                   {"--negmov", "--send", "A1", "--posmove", "--send=x=y"},
                   with([](auto& o) {
                       o.commands = {{Kind::NegMove, {}},
                                     {Kind::Send, "A1"},
                                     {Kind::PosMove, {}},
                                     {Kind::Send, "x=y"}};
                   })},
        AcceptCase{"SixteenCharacters", {"--send", "0123456789ABCDEF"}, with([](auto& o) {
                       o.commands = {{Kind::Send, "0123456789ABCDEF"}};
                   })},
        AcceptCase{"Ends", {"--count", "100", "--duration", "0.25"}, with([](auto& o) {
                       o.count = 100;
                       o.duration = 250ms;
                   })},
        AcceptCase{"FileAppendReconnect",
                   {"--reconnect", "--output", "run.csv", "--append"},
                   with([](auto& o) {
                       o.reconnect = true;
                       o.outputPath = "run.csv";
                       o.append = true;
                   })}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dravix::test
