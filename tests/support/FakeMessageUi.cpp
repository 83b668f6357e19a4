#include "FakeMessageUi.h"

#include <utility>

FakeMessageUi::Call FakeMessageUi::message(const QString &text, const QString &title, Icon icon,
                                           const QString &details)
{
    return {Call::Kind::Message, text, title, icon, {}, false, details};
}

FakeMessageUi::Call FakeMessageUi::question(const QString &text, const QString &title, const QString &yes,
                                            const QString &no)
{
    return {Call::Kind::Question, text, title, Icon::Information, {}, false, {}, {yes, no}};
}

FakeMessageUi::Call FakeMessageUi::promptCall(const QString &text, const QString &title, bool password)
{
    return {Call::Kind::Prompt, text, title, Icon::Information, {}, password, {}};
}

void FakeMessageUi::showMessage(const QString &text, const QString &title, Icon icon, const QString &details)
{
    const Call call = message(text, title, icon, details);
    calls.append(call);
    if (whileOpen)
        whileOpen(call);
}

bool FakeMessageUi::ask(const QString &text, const QString &title, const QString &yes, const QString &no)
{
    const Call call = question(text, title, yes, no);
    calls.append(call);
    if (whileOpen)
        whileOpen(call);
    return !questionAnswers.isEmpty() && questionAnswers.takeFirst();
}

QString FakeMessageUi::prompt(const QString &prompt, const QString &title, const QString &defaultText,
                              bool password)
{
    const Call call{Call::Kind::Prompt, prompt, title, Icon::Information, defaultText, password, {}};
    calls.append(call);
    if (whileOpen)
        whileOpen(call);
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

QStringList FakeMessageUi::chooseFiles(const QString &title, const QString &directory)
{
    const Call call{Call::Kind::Files, title, {}, Icon::Information, directory, false, {}};
    calls.append(call);
    if (whileOpen)
        whileOpen(call);
    return std::exchange(chosenFiles, {});
}
