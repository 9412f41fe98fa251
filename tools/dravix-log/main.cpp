#include "console.h"
#include "csvwriter.h"
#include "logoptions.h"
#include "recorder.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

void say(const QString& line)
{
    std::fprintf(stderr, "dravix-log: %s\n", qPrintable(line));
    std::fflush(stderr);
}

} // namespace

int main(int argc, char* argv[])
{
    using namespace dravix::log;
    using dravix::CsvWriter;
    QCoreApplication app(argc, argv);
    const CommandLine commandLine = parseCommandLine(QCoreApplication::arguments().mid(1));
    switch (commandLine.action) {
    case CommandLine::Action::Help:
        std::fputs(qPrintable(helpText()), stdout);
        return 0;
    case CommandLine::Action::Version:
        std::printf("dravix-log %s\n", DRAVIX_VERSION);
        return 0;
    case CommandLine::Action::Refuse:
        say(commandLine.error + QStringLiteral(" (try --help)"));
        return 2;
    case CommandLine::Action::Record:
        break;
    }
    const LogOptions& options = commandLine.options;

    useBinaryStandardOutput();
    CsvWriter writer;
    switch (writer.open(options.outputPath, options.append)) {
    case CsvWriter::Opening::Exists:
        say(QStringLiteral("%1 exists; not overwriting it (--append adds to it)")
                .arg(options.outputPath));
        return 2;
    case CsvWriter::Opening::Failed:
        say(QStringLiteral("cannot open %1: %2").arg(writer.name(), writer.errorString()));
        return 1;
    case CsvWriter::Opening::Opened:
        break;
    }

    Recorder recorder(options, writer);
    QObject::connect(&recorder, &Recorder::said, &recorder, say);
    // Queued: an end during start() takes effect once the loop runs.
    QObject::connect(&recorder, &Recorder::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    quitOnStopRequests();
    if (!recorder.start()) {
        recorder.stop();
        writer.discard();
        return 1;
    }
    const int exitCode = QCoreApplication::exec();
    recorder.stop();
    return exitCode;
}
