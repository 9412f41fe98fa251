#include "commandline.h"

#include "argumentparsing.h"
#include "portdevices.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace dravix {
namespace {

constexpr auto kHelp = R"(Usage: dravix-terminal [--help | --version | --list-ports]

Serial test terminal for Dravix drives and indexing controllers. With no option it opens its
window; click "Comm Port 1" or "Comm Port 2" to monitor a drive at 19200 baud, odd parity,
8 data bits, 1 stop bit.

  --help        show this help and exit
  --version     show the version and exit
  --list-ports  list the serial ports present, with the button each one maps to, and exit

Ports: port 1 and port 2 are the first and second serial ports present. On Windows that is
the COM ports by number (COM3 before COM10), or COM1 and COM2 when there are fewer. Elsewhere
onboard ttyS ports come first, then USB and ACM adapters, or /dev/ttyS0 and /dev/ttyS1 when
there are fewer. DRAVIX_PORT1 and DRAVIX_PORT2 name any device instead, for example COM7 or a
/dev/serial/by-id/... link, which stays the same when the adapter is replugged.
)";

} // namespace

std::optional<int> answerCommandLine(const QStringList& arguments, QTextStream& out,
                                     QTextStream& err)
{
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption listPorts(QStringLiteral("list-ports"));
    QCommandLineParser parser;
    std::optional<QString> refused = parseArguments(parser, {help, version, listPorts}, arguments);
    // Each option is an answer of its own: nothing goes beside it.
    if (!refused && arguments.size() > 1)
        refused = QStringLiteral("unknown argument '%1'").arg(arguments.at(1));
    if (refused) {
        err << "dravix-terminal: " << *refused << " (try --help)\n";
        return 2;
    }
    if (parser.isSet(help)) {
        out << kHelp;
        return 0;
    }
    if (parser.isSet(version)) {
        out << "dravix-terminal " << DRAVIX_VERSION << '\n';
        return 0;
    }
    if (parser.isSet(listPorts)) {
        out << portListing(presentSerialDevices());
        return 0;
    }
    return std::nullopt;
}

} // namespace dravix
