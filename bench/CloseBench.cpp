#include "CloseBench.h"

#include "composer/Form1.h"
#include "mail/KorvaneSTMP.h"
#include "settings/QSettingsStore.h"
#include "ui/MessageUi.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

// Message boxes are printed, not shown: a modal box would wait for a person.
class PrintedDialogs : public MessageUi
{
public:
    void showMessage(const QString &text, const QString &title, Icon /*icon*/,
                     const QString & /*details*/) override
    {
        std::printf("box %s: %s\n", qPrintable(title), qPrintable(text));
        std::fflush(stdout);
    }
    // Nothing here asks: the bench's message has nothing doubtful in it.
    bool ask(const QString & /*text*/, const QString & /*title*/, const QString & /*yesText*/,
             const QString & /*noText*/) override
    {
        return false;
    }
    QString prompt(const QString & /*prompt*/, const QString & /*title*/, const QString & /*defaultText*/,
                   bool /*password*/) override
    {
        return {};
    }
    QStringList chooseFiles(const QString & /*title*/, const QString & /*directory*/) override { return {}; }
};

} // namespace

int runCloseBench(const QString &server)
{
    PrintedDialogs ui;
    QSettingsStore store;
    Form1 form(std::make_unique<KorvaneSTMP>(), ui, store);
    form.controls().server->setText(server);
    form.controls().sender->setText(QStringLiteral("bench@korvane.test"));
    form.controls().recipient->setText(QStringLiteral("sink@korvane.test"));
    form.show();
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &form, [&form, &input] {
        input.setEnabled(false);
        form.close();
    });
    QTimer::singleShot(0, form.controls().send, &QPushButton::click);
    return QApplication::exec();
}
