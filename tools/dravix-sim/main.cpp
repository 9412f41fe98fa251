#include "simcore.h"
#include "simrunner.h"

#include <cstdio>
#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string_view> args(argv + 1, argv + argc);
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
