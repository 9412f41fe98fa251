#include "commandline.h"

#include "argumentparsing.h"
#include "portdevices.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <algorithm>

namespace dravix {
namespace {

constexpr auto kHelp = R"(Usage: dravix-terminal [--port1 DEVICE] [--port2 DEVICE] [--list-ports]
       dravix-terminal --help | --version

Serial test terminal for Dravix drives and indexing controllers. With no option it opens its
window; click "Comm Port 1" or "Comm Port 2" to monitor a drive at 19200 baud, odd parity,
8 data bits, 1 stop bit.

  --help        show this help and exit
  --version     show the version and exit
  --list-ports  list the serial ports present, with the button each one maps to, and exit
  --port1 DEVICE, --port2 DEVICE
                the device behind Comm Port 1 or 2, for example COM7 or /dev/ttyUSB0;
                a Windows shortcut can carry it

Ports: port 1 and port 2 are the first and second serial ports present. On Windows that is
the COM ports by number (COM3 before COM10), or COM1 and COM2 when there are fewer. Elsewhere
onboard ttyS ports come first, then USB and ACM adapters, or /dev/ttyS0 and /dev/ttyS1 when
there are fewer; Bluetooth and other virtual ports come last. DRAVIX_PORT1 and DRAVIX_PORT2
name any device instead, for example COM7 or a /dev/serial/by-id/... link, which stays the
same when the adapter is replugged; --port1 and --port2 win over them. In the window, a
right-click on a port button (or the menu key, or Shift+F10) chooses its device for this run.
)";

} // namespace

CommandLineAnswer answerCommandLine(const QStringList& arguments, QTextStream& out,
                                    QTextStream& err)
{
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption listPorts(QStringLiteral("list-ports"));
    const QCommandLineOption port1(QStringLiteral("port1"), {}, QStringLiteral("DEVICE"));
    const QCommandLineOption port2(QStringLiteral("port2"), {}, QStringLiteral("DEVICE"));
    QCommandLineParser parser;
    std::optional<QString> refused =
        parseArguments(parser, {help, version, listPorts, port1, port2}, arguments);
    CommandLineAnswer answer;
    answer.ports = {parser.value(port1), parser.value(port2)};
    // --help and --version stand alone; --list-ports takes only the ports beside it.
    const QStringList names = parser.optionNames();
    const auto beside = [&names](const QStringList& allowed) {
        const auto other = std::find_if(names.cbegin(), names.cend(), [&](const QString& name) {
            return !allowed.contains(name);
        });
        return other == names.cend() ? QString() : *other;
    };
    if (!refused && (parser.isSet(help) || parser.isSet(version)) && names.size() > 1)
        refused = QStringLiteral("unknown argument '%1'").arg(arguments.at(1));
    if (!refused && parser.isSet(listPorts)) {
        if (const QString other = beside(
                {QStringLiteral("list-ports"), QStringLiteral("port1"), QStringLiteral("port2")});
            !other.isEmpty())
            refused = QStringLiteral("--%1 goes alone").arg(other);
    }
    for (const char* once : {"port1", "port2"}) {
        if (!refused && names.count(QLatin1String(once)) > 1)
            refused = QStringLiteral("--%1 is given twice").arg(QLatin1String(once));
    }
    if (refused) {
        err << "dravix-terminal: " << *refused << " (try --help)\n";
        answer.exitCode = 2;
    } else if (parser.isSet(help)) {
        out << kHelp;
        answer.exitCode = 0;
    } else if (parser.isSet(version)) {
        out << "dravix-terminal " << DRAVIX_VERSION << '\n';
        answer.exitCode = 0;
    } else if (parser.isSet(listPorts)) {
        std::array<PortPins, 2> pins;
        pins[0].commandLine = answer.ports[0];
        pins[1].commandLine = answer.ports[1];
        out << portListing(presentSerialDevices(), platformPortNaming(), pins);
        answer.exitCode = 0;
    }
    return answer;
}

} // namespace dravix
