// Another program holding port 1 open: it opens the port as the terminal does, says
// "holding" on its output, and lets go when its input closes.

#include "portdevices.h"
#include "porterror.h"
#include "portopening.h"
#include "serialport.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    dravix::SerialPort port;
    try {
        port.setDevicePath(dravix::portDevicePath(1));
        dravix::openPort(port);
    } catch (const dravix::PortError& error) {
        std::printf("failed: %s\n", error.what());
        return 1;
    }
    std::printf("holding\n");
    std::fflush(stdout);
    char buffer[64];
    while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    port.setPortOpen(false);
    return 0;
}
