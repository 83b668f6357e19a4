// Test-only program: the real window with the real component and settings,
// driven from the command line, for cases that need a process of their own.
//   open-close                     start up, show, close
//   open ARGUMENT...               start up, show, take the arguments as the
//                                  program does ("--" included), write every box's content
//                                  ("field NAME: TEXT", line breaks as \n), close
//   send-and-close SERVER FILE N   send FILE, close the window once N bytes
//                                  are handed over ("closing" on stdout)
//   send-then-close SERVER         send a short message, close the window
//                                  when stdin gives a line or ends
// --as-nobody first drops root's rights, so that file modes apply; --verbose
// has the component write each send's transcript to stderr, as the program's
// --verbose does.
// Every message box shown is written to stdout as "box TITLE: TEXT".
#include "CommandLine.h"
#include "DialogAnswerer.h"
#include "Form1.h"
#include "KorvaneSTMP.h"
#include "QSettingsStore.h"
#include "QtMessageUi.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSocketNotifier>

#include <cstdio>
#include <grp.h>
#include <unistd.h>

namespace {

void say(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

bool dropRoot()
{
    constexpr uid_t nobody = 65534;
    return geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(nobody) == 0 && setuid(nobody) == 0);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.removeAll(QStringLiteral("--as-nobody")) > 0 && !dropRoot())
        return 4;
    QApplication app(argc, argv);
    int shown = 0;
    {
        const bool verbose = args.removeAll(QStringLiteral("--verbose")) > 0;
        RealWindow window({}, [verbose](KorvaneSTMP &component) { component.setVerbose(verbose); });
        Form1 &form = window.form;
        const DialogAnswerer &answerer = window.answerer;
        form.show();
        if (args.value(0) == QLatin1String("send-and-close") && args.size() == 4) {
            form.controls().server->setText(args.at(1));
            form.controls().sender->setText(QStringLiteral("zoe@example.org"));
            form.controls().recipient->setText(QStringLiteral("anna@example.org"));
            form.controls().attachments->setText(args.at(2));
            const qint64 closeAt = args.at(3).toLongLong();
            QObject::connect(form.component(), &MailComponent::progressChanged, &form,
                             [&form, closeAt](qint64 sent, qint64) {
                                 if (sent >= closeAt && form.isVisible()) {
                                     say(QStringLiteral("closing"));
                                     form.close();
                                 }
                             });
            QTimer::singleShot(0, form.controls().send, &QPushButton::click);
        } else if (args.value(0) == QLatin1String("open")) {
            QTimer::singleShot(0, &form, [&form, args] {
                form.openArguments(
                    CommandLine::parse(QStringList{QStringLiteral("korvane-client")} + args.mid(1))
                        .arguments);
                const ComposerLayout::Controls &c = form.controls();
                for (const QLineEdit *box :
                     {c.server, c.sender, c.recipient, c.cc, c.bcc, c.attachments, c.subject})
                    say(QStringLiteral("field %1: %2").arg(box->objectName(), box->text()));
                say(QStringLiteral("field %1: %2")
                        .arg(c.body->objectName(),
                             c.body->toPlainText().replace(u'\n', QStringLiteral("\\n"))));
                say(QStringLiteral("field %1: %2").arg(c.priority->objectName(), c.priority->currentText()));
                form.close();
            });
        } else if (args.value(0) == QLatin1String("send-then-close") && args.size() == 2) {
            form.controls().server->setText(args.at(1));
            form.controls().sender->setText(QStringLiteral("zoe@example.org"));
            form.controls().recipient->setText(QStringLiteral("anna@example.org"));
            auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &form);
            QObject::connect(input, &QSocketNotifier::activated, &form, [&form, input] {
                input->setEnabled(false);
                form.close();
            });
            QTimer::singleShot(0, form.controls().send, &QPushButton::click);
        } else if (args.value(0) == QLatin1String("open-close")) {
            // The about box of the start-up was shown and closed in Form1's
            // constructor: nothing left to wait for.
            QTimer::singleShot(0, &form, &QWidget::close);
        } else {
            return 2;
        }
        QApplication::exec();
        for (const Shown &box : std::as_const(answerer.boxes))
            say(QStringLiteral("box ") + caption(box).replace(u'\n', u' '));
        shown = int(answerer.boxes.size());
    }
    return shown > 0 ? 0 : 3;
}
