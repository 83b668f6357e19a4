#pragma once

#include <QString>

#include <functional>

// The modal dialogs the composer opens: a message box with one OK button and
// a one-line text prompt. Both block until the user closes them.
class MessageUi
{
public:
    enum class Icon { Information, Error };

    virtual ~MessageUi() = default;

    // The text is shown as plain text: a server's reply inside it must be
    // displayed as it came, never interpreted as markup.
    virtual void showMessage(const QString &text, const QString &title, Icon icon) = 0;

    // Returns what was typed, or an empty text when the user cancels.
    // With password set, what is typed is not shown.
    virtual QString prompt(const QString &prompt, const QString &title, const QString &defaultText,
                           bool password)
        = 0;

    // showMessage() with the information icon, as a function that a component
    // which draws nothing itself can be handed.
    std::function<void(const QString &title, const QString &text)> informer()
    {
        return [this](const QString &title, const QString &text) {
            showMessage(text, title, Icon::Information);
        };
    }
};
