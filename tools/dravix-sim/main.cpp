#include "simcore.h"
#include "simrunner.h"

#include <QStringList>
#include <cstdio>

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const auto parsed = dravix::sim::parseOptions(args);
    if (!parsed.options) {
        std::fprintf(stderr, "dravix-sim: %s\nTry 'dravix-sim --help'.\n", parsed.error.c_str());
        return 2;
    }
    if (parsed.options->help) {
        std::fputs(dravix::sim::helpText().c_str(), stdout);
        return 0;
    }
    dravix::sim::SimRunner runner(*parsed.options);
    return runner.run();
}
