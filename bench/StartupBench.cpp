#include "StartupBench.h"

#include "ExposeProbe.h"
#include "Form1.h"
#include "KorvaneSTMP.h"
#include "LaunchClock.h"
#include "QSettingsStore.h"
#include "QtMessageUi.h"
#include "WindowIcon.h"

#include <QApplication>

#include <cstdio>
#include <memory>

int runStartupBench(double mainMs)
{
    const double appMs = millisecondsSinceLaunch();
    QGuiApplication::setDesktopFileName(QStringLiteral("it.korvane.Client"));
    QApplication::setWindowIcon(korvaneClientIcon());
    const double iconMs = millisecondsSinceLaunch();
    QtMessageUi ui;
    QSettingsStore store;
    // Without a presenter the component shows no about dialog, which would
    // wait for a person; everything else is what the program does.
    Form1 form(std::make_unique<KorvaneSTMP>(), ui, store);
    ui.setDialogParent(&form);
    std::printf("main_ms=%.2f app_ms=%.2f icon_ms=%.2f form_ms=%.2f\n", mainMs, appMs, iconMs,
                millisecondsSinceLaunch());
    new ExposeProbe(&form);
    form.show();
    return QApplication::exec();
}
