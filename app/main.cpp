#include "CommandLine.h"
#include "DisplayGuard.h"
#include "DraftWindows.h"
#include "MessageWindows.h"
#include "SessionEnd.h"
#include "common/StandardError.h"
#include "composer/Form1.h"
#include "composer/WindowIcon.h"
#include "mail/KorvaneSTMP.h"
#include "mail/OpenFileLimit.h"
#include "settings/QSettingsStore.h"
#include "spelling/EnchantSpeller.h"
#include "spelling/PersonalWordLists.h"
#include "spelling/SpellingTexts.h"
#include "ui/QtMessageUi.h"
#include "ui/QtTranslation.h"

#include <QApplication>

#include <memory>

int main(int argc, char *argv[])
{
    StandardError::setUpProcess();
    // Last to go: what the sends echoed reaches standard error before the end.
    const StandardError::DrainAtExit drainEcho;
    raiseOpenFileLimit();
    // Read before Qt sees a display, so that help and mistakes are answered without one.
    const CommandLine command = CommandLine::parse(argc, argv);
    if (const std::optional<int> status = command.answer())
        return *status;
    // Before Qt starts a thread: it may set the environment the spelling library reads.
    const QString spellingWithoutPersonal = PersonalWordLists::leaveAloneIfUnsafe();
    if (command.verbose && !spellingWithoutPersonal.isEmpty())
        StandardError::echoLine(
            spellingText(SpellingText::WithoutPersonal).arg(spellingWithoutPersonal).toUtf8());
    // Every argument is the program's own: Qt must not take a file named
    // "-reverse" for one of its options.
    int qtArgc = 1;
    DisplayGuard displayGuard(&CommandLine::noDisplay);
    QApplication app(qtArgc, argv);
    displayGuard.release();
    QGuiApplication::setDesktopFileName(QStringLiteral("it.korvane.Client"));
    QApplication::setWindowIcon(korvaneClientIcon());
    const auto qtTexts = installQtTranslation();

    SessionEnd sessionEnd; // before the about box, which a signal ends too
    QtMessageUi ui;
    QSettingsStore store;
    auto component = std::make_unique<KorvaneSTMP>(ui.informer());
    component->setVerbose(command.verbose);
    Form1 form(std::move(component), ui, store);
    ui.setDialogParent(&form);
    sessionEnd.closes(&form);
    if (command.verbose)
        QObject::connect(form.spelling(), &SpellingAid::unavailable, [](const QString &why) {
            StandardError::echoLine(spellingText(SpellingText::Unavailable).arg(why).toUtf8());
        });
    form.checkSpelling([](QString *why) { return EnchantSpeller::open(why); });
    form.checkAddresses();
    form.setOfferedDraft(DraftWindows::takeOffered());
    form.setDraftOpener([verbose = command.verbose](const QString &path) {
        DraftWindows::open(path, verbose ? QStringList{QStringLiteral("--verbose")} : QStringList());
    });
    form.setMessageWindowOpener([verbose = command.verbose](const QString &path) {
        MessageWindows::open(path, verbose ? QStringList{QStringLiteral("--verbose")} : QStringList());
    });
    form.show();
    form.openArguments(command.arguments);
    return QApplication::exec();
}
