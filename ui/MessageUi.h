#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The modal dialogs the composer opens: a message box with one OK button, a
// question with two answers, a one-line text prompt and a file chooser. Each
// blocks until the user closes it.
class MessageUi
{
public:
    enum class Icon { Information, Error };

    virtual ~MessageUi() = default;

    // The text is shown as plain text: a server's reply inside it must be
    // displayed as it came, never interpreted as markup. Non-empty details
    // (plain text too) sit behind the box's button for showing details.
    virtual void showMessage(const QString &text, const QString &title, Icon icon,
                             const QString &details = {})
        = 0;

    // A question in plain text with two buttons: true when the user picks
    // yesText. The safe answer, noText, is the default and what Escape or
    // closing the box gives.
    virtual bool ask(const QString &text, const QString &title, const QString &yesText, const QString &noText)
        = 0;

    // Returns what was typed, or an empty text when the user cancels.
    // With password set, what is typed is not shown.
    virtual QString prompt(const QString &prompt, const QString &title, const QString &defaultText,
                           bool password)
        = 0;

    // Lets the user pick several existing files, starting in directory.
    // Returns their absolute paths, or nothing when the user cancels.
    virtual QStringList chooseFiles(const QString &title, const QString &directory) = 0;

    // showMessage() with the information icon, as a function that a component
    // which draws nothing itself can be handed.
    std::function<void(const QString &title, const QString &text)> informer()
    {
        return [this](const QString &title, const QString &text) {
            showMessage(text, title, Icon::Information);
        };
    }
};
