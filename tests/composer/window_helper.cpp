// Test-only program: the real window with the real component and settings,
// driven from the command line, for cases that need a process of their own.
//   open-close                     start up, show, close
//   open ARGUMENT...               start up, show, take the arguments as the
//                                  program does ("--" included), write every box's content
//                                  ("field NAME: TEXT", line breaks as \n), close
//   send-and-close SERVER FILE N   send FILE, close the window once N bytes
//                                  are handed over ("closing" on stdout)
//   send-then-close SERVER [CAFILE USER PASSWORD]
//                                  send a short message (with CAFILE trusted
//                                  and USER and PASSWORD typed into the
//                                  prompts: authenticated), close the window
//                                  when stdin gives a line or ends
//   session ARGUMENT...            as open, then "ready", then takes commands
//                                  from stdin until the session ends:
//                                  "set NAME TEXT" (\n in TEXT a line break)
//                                  and "priority INDEX" edit as a user would,
//                                  "send" clicks Invia,
//                                  "echo WORD" says WORD, "boxes" says
//                                  "boxes N" (the boxes answered so far),
//                                  "close" closes
// --as-nobody first drops root's rights, so that file modes apply; --verbose
// has the component write each send's transcript to stderr, as the program's
// --verbose does.
// Every message box shown is written to stdout as "box TITLE: TEXT".
#include "app/CommandLine.h"
#include "app/DraftWindows.h"
#include "app/SessionEnd.h"
#include "common/StandardError.h"
#include "composer/Form1.h"
#include "composer/LaunchArguments.h"
#include "mail/KorvaneSTMP.h"
#include "settings/QSettingsStore.h"
#include "tests/support/DialogAnswerer.h"
#include "ui/QtMessageUi.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <grp.h>
#include <unistd.h>

namespace {

void say(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

void sayFields(const Form1 &form)
{
    const ComposerLayout::Controls &c = form.controls();
    for (const QLineEdit *box : {c.server, c.sender, c.recipient, c.cc, c.bcc, c.attachments, c.subject})
        say(QStringLiteral("field %1: %2").arg(box->objectName(), box->text()));
    say(QStringLiteral("field %1: %2")
            .arg(c.body->objectName(), c.body->toPlainText().replace(u'\n', QStringLiteral("\\n"))));
    say(QStringLiteral("field %1: %2").arg(c.priority->objectName(), c.priority->currentText()));
}

// The close button as a user presses it: a modal box takes the input while
// it is open (the answerer reads and closes it), so the close comes after it.
void closeLikeTheButton(Form1 &form)
{
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(10, &form, [&form] { closeLikeTheButton(form); });
        return;
    }
    form.close();
}

void runCommand(Form1 &form, const DialogAnswerer &answerer, const QString &line)
{
    const QString command = line.section(u' ', 0, 0);
    const QString name = line.section(u' ', 1, 1);
    if (command == QLatin1String("set")) {
        const QString text = line.section(u' ', 2).replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        if (auto *box = form.findChild<QLineEdit *>(name))
            box->setText(text);
        else if (auto *body = form.findChild<QPlainTextEdit *>(name))
            body->setPlainText(text);
    } else if (command == QLatin1String("priority")) {
        form.controls().priority->setCurrentIndex(name.toInt());
    } else if (command == QLatin1String("echo")) {
        say(name);
    } else if (command == QLatin1String("boxes")) {
        say(QStringLiteral("boxes %1").arg(answerer.boxes.size()));
    } else if (command == QLatin1String("send")) {
        form.controls().send->click();
    } else if (command == QLatin1String("close")) {
        closeLikeTheButton(form);
    }
}

// Commands arrive whole lines at a time; a line split across reads waits
// for its end.
void readCommands(Form1 &form, const DialogAnswerer &answerer, QSocketNotifier *input)
{
    static QByteArray pending;
    char chunk[4096];
    const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (got <= 0) {
        input->setEnabled(false);
        return;
    }
    pending.append(chunk, got);
    for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
        runCommand(form, answerer, QString::fromUtf8(pending.left(end)));
        pending.remove(0, end + 1);
    }
}

bool dropRoot()
{
    constexpr uid_t nobody = 65534;
    return geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(nobody) == 0 && setuid(nobody) == 0);
}

// Sends FILE and closes the window mid-send, once closeAt bytes are handed over.
void sendAndClose(Form1 &form, const QString &server, const QString &file, qint64 closeAt)
{
    form.controls().server->setText(server);
    form.controls().sender->setText(QStringLiteral("zoe@example.org"));
    form.controls().recipient->setText(QStringLiteral("anna@example.org"));
    form.controls().attachments->setText(file);
    QObject::connect(form.component(), &MailComponent::progressChanged, &form,
                     [&form, closeAt](qint64 sent, qint64) {
                         if (sent >= closeAt && form.isVisible()) {
                             say(QStringLiteral("closing"));
                             form.close();
                         }
                     });
    QTimer::singleShot(0, form.controls().send, &QPushButton::click);
}

void openAndClose(Form1 &form, const QStringList &arguments)
{
    QTimer::singleShot(0, &form, [&form, arguments] {
        form.openArguments(
            CommandLine::parse(QStringList{QStringLiteral("korvane-client")} + arguments).arguments);
        sayFields(form);
        form.close();
    });
}

void startSession(Form1 &form, const DialogAnswerer &answerer, const QStringList &arguments)
{
    QTimer::singleShot(0, &form, [&form, &answerer, arguments] {
        form.openArguments(arguments);
        sayFields(form);
        say(QStringLiteral("ready"));
        auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &form);
        QObject::connect(input, &QSocketNotifier::activated, &form,
                         [&form, &answerer, input] { readCommands(form, answerer, input); });
    });
}

void sendThenClose(Form1 &form, const QString &server, bool authenticated)
{
    form.controls().authenticate->setChecked(authenticated);
    form.controls().server->setText(server);
    form.controls().sender->setText(QStringLiteral("zoe@example.org"));
    form.controls().recipient->setText(QStringLiteral("anna@example.org"));
    auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &form);
    QObject::connect(input, &QSocketNotifier::activated, &form, [&form, input] {
        input->setEnabled(false);
        closeLikeTheButton(form);
    });
    QTimer::singleShot(0, form.controls().send, &QPushButton::click);
}

// Sets up the run the command line names; false when it names none.
bool setUpRun(Form1 &form, const DialogAnswerer &answerer, const QStringList &args, bool withPassword)
{
    const QString mode = args.value(0);
    if (mode == QLatin1String("send-and-close") && args.size() == 4)
        sendAndClose(form, args.at(1), args.at(2), args.at(3).toLongLong());
    else if (mode == QLatin1String("open"))
        openAndClose(form, args.mid(1));
    else if (mode == QLatin1String("session"))
        startSession(form, answerer, args.mid(1));
    else if (mode == QLatin1String("send-then-close") && (args.size() == 2 || withPassword))
        sendThenClose(form, args.at(1), withPassword);
    else if (mode == QLatin1String("open-close"))
        // The about box of the start-up was shown and closed in Form1's
        // constructor: nothing left to wait for.
        QTimer::singleShot(0, &form, &QWidget::close);
    else
        return false;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    StandardError::setUpProcess(); // as the program does
    const StandardError::DrainAtExit drainEcho;
    QStringList args = LaunchArguments::commandLine(argc, argv).mid(1);
    if (args.removeAll(QStringLiteral("--as-nobody")) > 0 && !dropRoot())
        return 4;
    const bool verbose = args.removeAll(QStringLiteral("--verbose")) > 0;
    QApplication app(argc, argv);
    int shown = 0;
    const bool withPassword = args.value(0) == QLatin1String("send-then-close") && args.size() == 5;
    {
        SessionEnd sessionEnd;
        RealWindow window(withPassword ? args.mid(3) : QStringList(), [&](KorvaneSTMP &component) {
            component.setVerbose(verbose);
            if (withPassword)
                component.setCaFile(args.at(2));
        });
        Form1 &form = window.form;
        const DialogAnswerer &answerer = window.answerer;
        sessionEnd.closes(&form);
        // A draft window is for the test to start: it names the draft.
        form.setOfferedDraft(DraftWindows::takeOffered());
        form.setDraftOpener([](const QString &path) { say(QStringLiteral("draft ") + path); });
        form.show();
        if (!setUpRun(form, answerer, args, withPassword))
            return 2;
        QApplication::exec();
        for (const Shown &box : std::as_const(answerer.boxes))
            say(QStringLiteral("box ") + caption(box).replace(u'\n', u' '));
        shown = int(answerer.boxes.size());
    }
    return shown > 0 ? 0 : 3;
}
