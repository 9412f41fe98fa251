#include "commandline.h"

#include <QTextStream>

#include <gtest/gtest.h>

#include <optional>

namespace dravix::test {
namespace {

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

TEST(CommandLinePorts, areTakenForTheButtons)
{
    QString text;
    QTextStream stream(&text);
    const CommandLineAnswer answer =
        answerCommandLine({"--port2", "COM9", "--port1=/dev/ttyUSB0"}, stream, stream);
    EXPECT_EQ(answer.ports[0], QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(answer.ports[1], QStringLiteral("COM9"));
}

TEST_P(CommandLine, answersItsThreeOptionsAndRefusesTheRest)
{
    const ArgumentsRow& row = GetParam();
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    EXPECT_EQ(answerCommandLine(row.arguments, outStream, errStream).exitCode, row.exitCode);
    outStream.flush();
    errStream.flush();
    const QString starts = QString::fromLatin1(row.outStarts);
    EXPECT_EQ(out.left(starts.size()), starts) << out.toStdString();
    EXPECT_EQ(err, QString::fromLatin1(row.err));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLine,
    ::testing::Values(ArgumentsRow{"noneStartsTheWindow", {}, std::nullopt, "", ""},
                      ArgumentsRow{"portsStartTheWindow",
                                   {"--port1", "COM7", "--port2=/dev/ttyUSB1"},
                                   std::nullopt,
                                   "",
                                   ""},
                      ArgumentsRow{
                          "listPortsWithAPort", {"--list-ports", "--port1", "COM7"}, 0, "", ""},
                      ArgumentsRow{"portWithoutDevice",
                                   {"--port2"},
                                   2,
                                   "",
                                   "dravix-terminal: --port2 needs a value (try --help)\n"},
                      ArgumentsRow{"help", {"--help"}, 0, "Usage: dravix-terminal [--port1", ""},
                      ArgumentsRow{"version", {"--version"}, 0, "dravix-terminal 1.", ""},
                      ArgumentsRow{"listPorts", {"--list-ports"}, 0, "", ""},
                      ArgumentsRow{"unknownOption",
                                   {"--baud"},
                                   2,
                                   "",
                                   "dravix-terminal: unknown argument '--baud' (try --help)\n"},
                      ArgumentsRow{"valueOnAnOptionWithout",
                                   {"--version=2"},
                                   2,
                                   "",
                                   "dravix-terminal: --version takes no value (try --help)\n"},
                      ArgumentsRow{"strayArgument",
                                   {"--help", "COM3"},
                                   2,
                                   "",
                                   "dravix-terminal: unknown argument 'COM3' (try --help)\n"},
                      ArgumentsRow{"helpWithAPort",
                                   {"--help", "--port1", "COM7"},
                                   2,
                                   "",
                                   "dravix-terminal: unknown argument '--port1' (try --help)\n"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dravix::test
