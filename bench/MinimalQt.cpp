// The baseline for start-up: the least a Qt Widgets program does to show a
// window, measured the same way as the composer.
#include "ExposeProbe.h"
#include "LaunchClock.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    const double mainMs = millisecondsSinceLaunch();
    QApplication app(argc, argv);
    std::printf("main_ms=%.2f app_ms=%.2f\n", mainMs, millisecondsSinceLaunch());
    QWidget window;
    window.resize(400, 300);
    new ExposeProbe(&window);
    window.show();
    return QApplication::exec();
}
