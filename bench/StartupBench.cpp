#include "StartupBench.h"

#include "ExposeProbe.h"
#include "Form1.h"
#include "KorvaneSTMP.h"
#include "QSettingsStore.h"
#include "QtMessageUi.h"
#include "WindowIcon.h"

#include <QApplication>

#include <memory>

int runStartupBench()
{
    QGuiApplication::setDesktopFileName(QStringLiteral("it.korvane.Client"));
    QApplication::setWindowIcon(korvaneClientIcon());
    QtMessageUi ui;
    QSettingsStore store;
    // Without a presenter the component shows no about dialog, which would
    // wait for a person; everything else is what the program does.
    Form1 form(std::make_unique<KorvaneSTMP>(), ui, store);
    ui.setDialogParent(&form);
    new ExposeProbe(&form);
    form.show();
    return QApplication::exec();
}
