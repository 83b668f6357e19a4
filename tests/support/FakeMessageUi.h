#pragma once

#include "ui/MessageUi.h"

#include <QList>
#include <QStringList>

#include <functional>

// A MessageUi for tests: records every dialog and answers prompts from a
// script. A hook runs while a dialog is "open", so a test can deliver events
// at the moment a real modal box would be running its own event loop.
class FakeMessageUi : public MessageUi
{
public:
    struct Call
    {
        enum class Kind { Message, Question, Prompt, Files };
        Kind kind = Kind::Message;
        QString text;
        QString title;
        Icon icon = Icon::Information;
        QString defaultText;
        bool password = false;
        QString details;
        QStringList buttons = {}; // a question's: yes, then no

        bool operator==(const Call &) const = default;
    };

    static Call message(const QString &text, const QString &title, Icon icon, const QString &details = {});
    static Call question(const QString &text, const QString &title, const QString &yes, const QString &no);
    static Call promptCall(const QString &text, const QString &title, bool password);

    void showMessage(const QString &text, const QString &title, Icon icon, const QString &details) override;
    bool ask(const QString &text, const QString &title, const QString &yes, const QString &no) override;
    QString prompt(const QString &prompt, const QString &title, const QString &defaultText,
                   bool password) override;
    // Recorded with the title as text and the directory as defaultText.
    QStringList chooseFiles(const QString &title, const QString &directory) override;

    // Answers for the next prompts, in order; a prompt with none left is cancelled.
    QStringList answers;
    // Answers for the next questions, in order; with none left, the safe one (false), as on Escape.
    QList<bool> questionAnswers;
    // What the next file chooser returns (empty: cancelled); used once.
    QStringList chosenFiles;
    QList<Call> calls;
    // Runs inside every dialog, after it has been recorded.
    std::function<void(const Call &)> whileOpen;
};
