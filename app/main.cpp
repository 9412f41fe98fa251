#include "commandline.h"
#include "mainwindow.h"
#include "parentconsole.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    // Before anything is written: the options' answers and the reason a port did not open.
    dravix::attachToParentConsole();
    // Answered before any window system is asked for, so they work without a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const dravix::CommandLineAnswer answer = dravix::answerCommandLine(arguments, out, err);
    if (answer.exitCode)
        return *answer.exitCode;

    QApplication app(argc, argv);
    dravix::MainWindow window;
    window.pinPort(1, answer.ports[0]);
    window.pinPort(2, answer.ports[1]);
    window.show();
    return QApplication::exec();
}
