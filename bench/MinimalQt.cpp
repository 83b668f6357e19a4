// The baseline for start-up: the least a Qt Widgets program does to show a
// window, measured the same way as the composer.
#include "ExposeProbe.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(400, 300);
    new ExposeProbe(&window);
    window.show();
    return QApplication::exec();
}
