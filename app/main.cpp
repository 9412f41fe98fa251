#include "mainwindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    dravix::MainWindow window;
    window.show();
    return QApplication::exec();
}
