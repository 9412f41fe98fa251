#include "pseudoterminal.h"
#include "simprocess.h"
#include "testsupport.h"

#include <QFileSystemWatcher>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/file.h>

namespace dravix::test {
namespace {

using namespace std::chrono_literals;

using Rows = std::vector<std::vector<std::string>>;
const std::vector<std::string> kHeader{"time", "elapsed_s", "hex", "value", "position"};

// RFC 4180: CRLF after every record, quoted fields with doubled quotes, no quote elsewhere.
// Empty when the text breaks the rules.
[[nodiscard]] std::optional<Rows> parseCsv(const std::string& text)
{
    Rows rows;
    std::vector<std::string> row;
    std::string field;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '"') {
            for (++i;; ++i) {
                if (i >= text.size())
                    return std::nullopt;
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i];
            }
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                if (text[i] == '"')
                    return std::nullopt;
                field += text[i++];
            }
        }
        row.push_back(std::exchange(field, {}));
        if (i < text.size() && text[i] == ',') {
            ++i;
            continue;
        }
        if (text.compare(i, 2, "\r\n") != 0)
            return std::nullopt;
        i += 2;
        rows.push_back(std::exchange(row, {}));
    }
    return rows;
}

[[nodiscard]] std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

[[nodiscard]] std::int64_t hexValue(const std::string& hex)
{
    return static_cast<std::int32_t>(std::stoul(hex, nullptr, 16));
}

// value / 100 with one decimal, or two when the second is not zero.
[[nodiscard]] std::string positionText(std::int64_t value)
{
    const std::int64_t magnitude = value < 0 ? -value : value;
    // Appended piece by piece: GCC 12 takes `"-" + std::string` for an overlapping copy
    // (-Wrestrict) in a Release build.
    std::string text = value < 0 ? "-" : "";
    text += std::to_string(magnitude / 100);
    text += '.';
    text += std::to_string(magnitude % 100 / 10);
    if (magnitude % 10 != 0)
        text += std::to_string(magnitude % 10);
    return text;
}

// 'd' stands for a digit, 's' for a sign; anything else for itself.
[[nodiscard]] bool hasShape(std::string_view text, std::string_view shape)
{
    return text.size() == shape.size() &&
           std::equal(text.begin(), text.end(), shape.begin(), [](char c, char s) {
               return s == 'd' ? c >= '0' && c <= '9' : s == 's' ? c == '+' || c == '-' : c == s;
           });
}

// Every row: five fields, the local time with its offset, a clock that never goes back,
// and value and position that follow from the characters.
void expectWellFormed(const Rows& rows)
{
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), kHeader);
    double previous = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const auto& row = rows[i];
        ASSERT_EQ(row.size(), 5u) << "row " << i;
        EXPECT_TRUE(hasShape(row[0], "dddd-dd-ddTdd:dd:dd.dddsdd:dd")) << row[0];
        const std::size_t point = row[1].find('.');
        ASSERT_TRUE(point != std::string::npos && point > 0 &&
                    hasShape(row[1], std::string(point, 'd') + ".ddd"))
            << row[1];
        const double seconds = std::stod(row[1]);
        EXPECT_GE(seconds, previous) << "row " << i;
        previous = seconds;
        ASSERT_TRUE(isReading(row[2])) << row[2];
        EXPECT_EQ(row[3], std::to_string(hexValue(row[2])));
        EXPECT_EQ(row[4], positionText(hexValue(row[2])));
    }
}

// A link name of its own: Qt's lock file is named after the last part of the path.
[[nodiscard]] fs::path uniqueLink(const TempDir& dir)
{
    return dir.path() / (dir.path().filename().string() + "-drive");
}

// ---------------------------------------------------------------------------------------

struct RecordCase
{
    const char* name;
    std::vector<std::string> sim;
    std::vector<std::string> log;
    std::size_t rows;       // 0: as many as the duration allows
    std::string hex;        // every reading, or the first one of a move
    int direction;          // 0, or +1/-1 for a move of one step per reading
    double durationSeconds; // 0: none
};

// Keeps test names short in listings.
void PrintTo(const RecordCase& c, std::ostream* os)
{
    *os << c.name;
}

class Record : public testing::TestWithParam<RecordCase>
{
};

TEST_P(Record, everyReadingAsARow)
{
    const RecordCase& c = GetParam();
    std::vector<std::string> simArgs{"--rate", "200"};
    simArgs.insert(simArgs.end(), c.sim.begin(), c.sim.end());
    SimProcess sim(DRAVIX_SIM_PATH, simArgs);
    const std::string device = sim.firstLine();
    ASSERT_FALSE(device.empty());
    std::vector<std::string> logArgs{"--port", device};
    logArgs.insert(logArgs.end(), c.log.begin(), c.log.end());
    SimProcess log(DRAVIX_LOG_PATH, logArgs);
    ASSERT_EQ(log.waitExit(), 0) << log.stderrText();
    EXPECT_EQ(log.stderrText(), "");

    const auto rows = parseCsv(log.stdoutText());
    ASSERT_TRUE(rows) << "not RFC 4180:\n" << log.stdoutText();
    expectWellFormed(*rows);
    if (c.rows > 0) {
        EXPECT_EQ(rows->size(), c.rows + 1);
    } else {
        EXPECT_GT(rows->size(), 1u);
    }
    if (c.durationSeconds > 0) {
        EXPECT_LT(std::stod(rows->back()[1]), c.durationSeconds) << "a row after the end";
    }

    EXPECT_EQ(rows->at(1)[2], c.hex);
    std::int64_t previous = hexValue(c.hex);
    bool moved = false;
    for (std::size_t i = 1; i < rows->size(); ++i) {
        const std::int64_t value = hexValue(rows->at(i)[2]);
        if (c.direction == 0) {
            EXPECT_EQ(rows->at(i)[2], c.hex) << "row " << i;
            continue;
        }
        // A move goes one step per reading: a lost reading shows as a jump of two.
        const std::int64_t step = (value - previous) * c.direction;
        ASSERT_TRUE(step == 1 || (step == 0 && !moved))
            << "row " << i << ": " << value << " after " << previous;
        moved = moved || step == 1;
        previous = value;
    }
    if (c.direction != 0) {
        EXPECT_TRUE(moved) << "the move never showed in the positions";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Readings, Record,
    testing::Values(
        RecordCase{"CountNegative", {"--start", "-100"}, {"--count", "100"}, 100, "FFFFFF9C", 0, 0},
        RecordCase{"CountCents", {"--start", "123456"}, {"--count", "100"}, 100, "0001E240", 0, 0},
        RecordCase{"Duration", {"--start", "5"}, {"--duration", "0.5"}, 0, "00000005", 0, 0.5},
        RecordCase{"PosmoveCounted",
                   {"--start", "0", "--step", "1", "--distance", "1000000"},
                   {"--posmove", "--count", "100"},
                   100,
                   "00000000",
                   +1,
                   0},
        RecordCase{"NegmovForADuration",
                   {"--start", "0", "--step", "1", "--distance", "1000000"},
                   {"--negmov", "--duration", "0.5"},
                   0,
                   "00000000",
                   -1,
                   0.5}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------

struct WireCase
{
    const char* name;
    const char* port; // "device", "1" (DRAVIX_PORT1 points at it) or "" (no --port)
    std::vector<std::string> arguments;
    std::string bytes;
};

// Keeps test names short in listings.
void PrintTo(const WireCase& c, std::ostream* os)
{
    *os << c.name;
}

class Wire : public testing::TestWithParam<WireCase>
{
};

TEST_P(Wire, commandsReachTheDriveByteForByte)
{
    const WireCase& c = GetParam();
    dravix::test::PseudoTerminal drive;
    const std::string path = drive.slavePath().toStdString();
    const dravix::test::PortMapping mapping(1, drive.slavePath());
    std::vector<std::string> arguments{"--count", "1"};
    if (std::string_view(c.port) == "device")
        arguments.insert(arguments.end(), {"--port", path});
    else if (std::string_view(c.port) == "1")
        arguments.insert(arguments.end(), {"--port", "1"});
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    SimProcess log(DRAVIX_LOG_PATH, arguments);

    QByteArray received;
    const auto deadline = Clock::now() + kTimeout;
    while (received.size() < static_cast<qsizetype>(c.bytes.size()) && Clock::now() < deadline)
        received += drive.readAvailable(1000ms);
    EXPECT_EQ(received.toStdString(), c.bytes);
    // It is open and recording: one reading ends the run.
    drive.write("0000000A");
    ASSERT_EQ(log.waitExit(), 0) << log.stderrText();
    const auto rows = parseCsv(log.stdoutText());
    ASSERT_TRUE(rows) << log.stdoutText();
    ASSERT_EQ(rows->size(), 2u) << log.stdoutText();
    EXPECT_EQ(rows->at(1)[2], "0000000A");
    // It has exited: whatever it wrote has arrived.
    EXPECT_EQ(drive.readAvailable(0ms), QByteArray()) << "nothing after the commands";
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Wire,
    testing::Values(
        WireCase{"InTheOrderGiven",
                 "device",
                 {"--send", "AB", "--posmove", "--send", "x", "--negmov"},
                 "ABUC030002US030002xUC030003US030003"},
        WireCase{"SixteenCharacters", "device", {"--send", "0123456789ABCDEF"}, "0123456789ABCDEF"},
        // Latin-1 as one byte each, anything beyond as '?', as SEND does.
        WireCase{"BeyondLatin1", "device", {"--send", "\xC3\xA9\xE2\x82\xAC\xC3\xBF"}, "\xE9?\xFF"},
        WireCase{"PortOneByItsVariable",
                 "1",
                 {"--posmove", "--posmove"},
                 "UC030002US030002UC030002US030002"},
        WireCase{"PortOneByDefault", "", {"--send", "Q"}, "Q"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------

struct LossCase
{
    const char* name;
    bool reconnect;
};

// Keeps test names short in listings.
void PrintTo(const LossCase& c, std::ostream* os)
{
    *os << c.name;
}

class Loss : public testing::TestWithParam<LossCase>
{
};

TEST_P(Loss, hangUpMidRecord)
{
    TempDir dir;
    const std::string link = uniqueLink(dir).string();
    auto first = std::make_unique<SimProcess>(
        DRAVIX_SIM_PATH, std::vector<std::string>{"--rate", "200", "--start", "1", "--link", link});
    ASSERT_FALSE(first->firstLine().empty());
    std::vector<std::string> arguments{"--port", link};
    if (GetParam().reconnect)
        arguments.push_back("--reconnect");
    SimProcess log(DRAVIX_LOG_PATH, arguments);
    ASSERT_TRUE(log.saidOnStdout("\r\n", 11)) << log.stderrText();

    first->signal(SIGTERM);
    ASSERT_EQ(first->waitExit(), 0);
    first.reset();
    if (!GetParam().reconnect) {
        EXPECT_EQ(log.waitExit(), 1);
        EXPECT_NE(log.stderrText().find(link), std::string::npos) << log.stderrText();
    } else {
        ASSERT_TRUE(log.saidOnStderr(link)) << log.stderrText();
        SimProcess second(DRAVIX_SIM_PATH, {"--rate", "200", "--start", "2", "--link", link});
        ASSERT_FALSE(second.firstLine().empty());
        ASSERT_TRUE(log.saidOnStderr(link, 2)) << log.stderrText();
        ASSERT_TRUE(log.saidOnStdout("00000002", 10)) << "recording did not resume";
        log.signal(SIGTERM);
        EXPECT_EQ(log.waitExit(), 0);
    }
    // One line on each loss and each return.
    const auto lines = static_cast<std::size_t>(
        std::count(log.stderrText().begin(), log.stderrText().end(), '\n'));
    EXPECT_EQ(lines, GetParam().reconnect ? 2u : 1u) << log.stderrText();

    const auto rows = parseCsv(log.stdoutText());
    ASSERT_TRUE(rows) << log.stdoutText();
    expectWellFormed(*rows);
    bool returned = false;
    for (std::size_t i = 1; i < rows->size(); ++i) {
        const std::string& hex = rows->at(i)[2];
        if (hex == "00000002")
            returned = true;
        else
            ASSERT_TRUE(hex == "00000001" && !returned) << "row " << i << ": " << hex;
    }
    EXPECT_EQ(returned, GetParam().reconnect);
}

INSTANTIATE_TEST_SUITE_P(Devices, Loss,
                         testing::Values(LossCase{"Ends", false}, LossCase{"Reconnects", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A reading cut short by the loss is dropped: the device that returns is read from a fresh
// eight-character alignment.
TEST(Loss, returnStartsAFreshReading)
{
    TempDir dir;
    const fs::path link = uniqueLink(dir);
    auto before = std::make_unique<dravix::test::PseudoTerminal>();
    // The program must not inherit the device's far end, or closing it here hangs nothing up.
    ::fcntl(before->masterFd(), F_SETFD, FD_CLOEXEC);
    fs::create_symlink(before->slavePath().toStdString(), link);
    SimProcess log(DRAVIX_LOG_PATH, {"--port", link.string(), "--reconnect", "--send", "GO"});
    // Written only once the port is open: opening empties the line.
    QByteArray sent;
    const auto deadline = Clock::now() + kTimeout;
    while (sent.size() < 2 && Clock::now() < deadline)
        sent += before->readAvailable(1000ms);
    ASSERT_EQ(sent, "GO");
    // Arriving together, the start of the next reading is taken with the whole one.
    before->write("0000000A123");
    ASSERT_TRUE(log.saidOnStdout("0000000A")) << log.stderrText();
    before.reset();
    ASSERT_TRUE(log.saidOnStderr("reopening")) << log.stderrText();

    dravix::test::PseudoTerminal after;
    fs::remove(link);
    fs::create_symlink(after.slavePath().toStdString(), link);
    ASSERT_TRUE(log.saidOnStderr("is back")) << log.stderrText();
    after.write("0000000B");
    ASSERT_TRUE(log.saidOnStdout("0000000B")) << log.stdoutText();
    log.signal(SIGTERM);
    EXPECT_EQ(log.waitExit(), 0);
    const auto rows = parseCsv(log.stdoutText());
    ASSERT_TRUE(rows) << log.stdoutText();
    ASSERT_EQ(rows->size(), 3u) << log.stdoutText();
    EXPECT_EQ(rows->at(2)[2], "0000000B");
}

// ---------------------------------------------------------------------------------------

struct FileCase
{
    const char* name;
    std::optional<std::string> existing; // the file before the run, if there is one
    bool append;
    int exitCode;
    std::string kept;  // what the file starts with afterwards
    std::size_t added; // data rows added
};

// Keeps test names short in listings.
void PrintTo(const FileCase& c, std::ostream* os)
{
    *os << c.name;
}

class File : public testing::TestWithParam<FileCase>
{
};

TEST_P(File, existingFileIsNeverOverwritten)
{
    const FileCase& c = GetParam();
    TempDir dir;
    const fs::path file = dir.path() / "run.csv";
    if (c.existing)
        std::ofstream(file, std::ios::binary) << *c.existing;
    SimProcess sim(DRAVIX_SIM_PATH, {"--rate", "200", "--start", "7"});
    std::vector<std::string> arguments{"--port", sim.firstLine(), "--count",
                                       "5",      "--output",      file.string()};
    if (c.append)
        arguments.push_back("--append");
    SimProcess log(DRAVIX_LOG_PATH, arguments);
    ASSERT_EQ(log.waitExit(), c.exitCode) << log.stderrText();
    EXPECT_EQ(log.stdoutText(), "");
    const std::string text = readFile(file);
    ASSERT_EQ(text.substr(0, c.kept.size()), c.kept);
    if (c.exitCode != 0) {
        EXPECT_EQ(text, c.kept);
        EXPECT_EQ(std::count(log.stderrText().begin(), log.stderrText().end(), '\n'), 1)
            << log.stderrText();
        return;
    }
    const auto rows = parseCsv(text.substr(c.kept.size()));
    ASSERT_TRUE(rows) << text;
    ASSERT_EQ(rows->size(), c.added) << text;
    for (const auto& row : *rows)
        EXPECT_EQ(row[2], "00000007") << "a second header?";
}

const std::string kHeaderLine = "time,elapsed_s,hex,value,position\r\n";
const std::string kOldRow = "2026-12-10T09:00:00.000+00:00,0.100,00000001,1,0.01\r\n";

INSTANTIATE_TEST_SUITE_P(
    Output, File,
    testing::Values(FileCase{"Refused", kHeaderLine + kOldRow, false, 2, kHeaderLine + kOldRow, 0},
                    FileCase{"RefusedEvenEmpty", "", false, 2, "", 0},
                    FileCase{"Appended", kHeaderLine + kOldRow, true, 0, kHeaderLine + kOldRow, 5},
                    FileCase{"AppendedToEmpty", "", true, 0, kHeaderLine, 5},
                    FileCase{"Created", std::nullopt, false, 0, kHeaderLine, 5}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------

// Waits for the file to hold at least `rows` whole lines, woken by each change to it.
[[nodiscard]] bool waitForLines(const fs::path& file, std::size_t lines)
{
    QFileSystemWatcher watcher({QString::fromStdString(file.string())});
    QSignalSpy changed(&watcher, &QFileSystemWatcher::fileChanged);
    const auto deadline = Clock::now() + kTimeout;
    for (;;) {
        const std::string text = readFile(file);
        if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= lines)
            return true;
        if (Clock::now() >= deadline)
            return false;
        (void)changed.wait(msLeft(deadline));
    }
}

class Stop : public testing::TestWithParam<int>
{
};

TEST_P(Stop, signalMidStreamLeavesOnlyWholeRows)
{
    TempDir dir;
    const fs::path file = dir.path() / "run.csv";
    SimProcess sim(DRAVIX_SIM_PATH, {"--rate", "2000", "--start", "-100"});
    SimProcess log(DRAVIX_LOG_PATH, {"--port", sim.firstLine(), "--output", file.string()});
    ASSERT_TRUE(sim.saidOnStderr("terminal opened the device")) << sim.stderrText();
    ASSERT_TRUE(waitForLines(file, 50)) << log.stderrText();
    log.signal(GetParam());
    ASSERT_EQ(log.waitExit(), 0) << log.stderrText();
    EXPECT_EQ(log.stderrText(), "");
    const auto rows = parseCsv(readFile(file));
    ASSERT_TRUE(rows) << "a row was cut";
    expectWellFormed(*rows);
    EXPECT_GE(rows->size(), 50u);
    for (std::size_t i = 1; i < rows->size(); ++i)
        EXPECT_EQ(rows->at(i)[2], "FFFFFF9C") << "row " << i;
}

INSTANTIATE_TEST_SUITE_P(Signals, Stop, testing::Values(SIGTERM, SIGINT),
                         [](const auto& info) { return info.param == SIGTERM ? "Term" : "Int"; });

// ---------------------------------------------------------------------------------------

struct RefusalCase
{
    const char* name;
    std::vector<std::string> arguments; // "@busy" and "@missing" stand for devices
    int exitCode;
};

// Keeps test names short in listings.
void PrintTo(const RefusalCase& c, std::ostream* os)
{
    *os << c.name;
}

class Refusal : public testing::TestWithParam<RefusalCase>
{
};

TEST_P(Refusal, oneLineAndNothingWritten)
{
    TempDir dir;
    const fs::path file = dir.path() / "run.csv";
    // Held the way tio and picocom hold a port: open with the advisory lock.
    dravix::test::PseudoTerminal busy;
    const int holder =
        ::open(busy.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    // The file first: a value missing at the end must not be taken from it.
    std::vector<std::string> arguments{"--output", file.string()};
    for (const std::string& argument : GetParam().arguments) {
        if (argument == "@busy")
            arguments.push_back(busy.slavePath().toStdString());
        else if (argument == "@missing")
            arguments.push_back((dir.path() / "no-such-device").string());
        else
            arguments.push_back(argument);
    }
    SimProcess log(DRAVIX_LOG_PATH, arguments);
    EXPECT_EQ(log.waitExit(), GetParam().exitCode);
    ::close(holder);
    const std::string& said = log.stderrText();
    EXPECT_EQ(said.rfind("dravix-log: ", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_EQ(log.stdoutText(), "");
    EXPECT_FALSE(fs::exists(file)) << readFile(file);
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, Refusal,
    testing::Values(RefusalCase{"UnknownOption", {"--bogus"}, 2},
                    RefusalCase{"StrayArgument", {"--port", "@busy", "now"}, 2},
                    RefusalCase{"EmptySend", {"--send", ""}, 2},
                    RefusalCase{"SeventeenCharacters", {"--send", "0123456789ABCDEFG"}, 2},
                    RefusalCase{"ControlCharacter", {"--send", "AB\r"}, 2},
                    RefusalCase{"CountZero", {"--count", "0"}, 2},
                    RefusalCase{"CountNegative", {"--count", "-1"}, 2},
                    RefusalCase{"DurationNotANumber", {"--duration", "ten"}, 2},
                    RefusalCase{"PortThree", {"--port", "3"}, 2},
                    RefusalCase{"MissingValue", {"--count"}, 2},
                    RefusalCase{"MissingDevice", {"--port", "@missing"}, 1},
                    RefusalCase{"BusyPort", {"--port", "@busy"}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dravix::test
