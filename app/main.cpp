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
    if (const auto exitCode = dravix::answerCommandLine(arguments, out, err))
        return *exitCode;

    QApplication app(argc, argv);
    dravix::MainWindow window;
    window.show();
    return QApplication::exec();
}
