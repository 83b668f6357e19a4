#include "Form1.h"
#include "KorvaneSTMP.h"
#include "LaunchArguments.h"
#include "OpenFileLimit.h"
#include "QSettingsStore.h"
#include "QtMessageUi.h"
#include "QtTranslation.h"
#include "SessionEnd.h"
#include "WindowIcon.h"

#include <QApplication>

#include <memory>

int main(int argc, char *argv[])
{
    raiseOpenFileLimit();
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("it.korvane.Client"));
    QApplication::setWindowIcon(korvaneClientIcon());
    const auto qtTexts = installQtTranslation();

    SessionEnd sessionEnd; // before the about box, which a signal ends too
    QtMessageUi ui;
    QSettingsStore store;
    Form1 form(std::make_unique<KorvaneSTMP>(ui.informer()), ui, store);
    ui.setDialogParent(&form);
    sessionEnd.closes(&form);
    form.show();
    // Qt has taken its own options out of argv by now.
    form.openArguments(LaunchArguments::commandLine(argc, argv).mid(1));
    return QApplication::exec();
}
