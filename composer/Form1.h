#pragma once

#include "ComposerLayout.h"
#include "HandlerQueue.h"
#include "spelling/SpellingAid.h"

#include <QWidget>

#include <functional>
#include <memory>

class AddressChecks;
class AddressMemory;
class AttachmentField;
class FieldKeeper;
class MailComponent;
class MessageOpening;
class MessageUi;
class SendCommand;
class SettingsStore;

// The composer window. It owns the mail component, which goes with it (a send
// still running is then aborted by the component). The dialogs and the
// settings store must outlive it.
//
// Start-up runs in the constructor, before the window is first shown,
// including the component's modal about dialog.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    Form1(std::unique_ptr<MailComponent> component, MessageUi &ui, SettingsStore &store,
          QWidget *parent = nullptr);
    ~Form1() override;

    // What the program was started with, after start-up: each mailto: link
    // fills the boxes of a new message (or a message box says it cannot be
    // read), so does each message file (MessageOpening), every other
    // argument names a file to attach. Runs as a handler.
    // Without a link, the fields a run that did not close left in a recovery
    // copy come back first (when newer than the settings' last store), and
    // once the window is on screen a message box tells what came back and
    // where the copies set aside are. A window opened from a link starts with no
    // attachment and priority "Normale", keeps no leftover copy for itself,
    // and stores nothing when it closes untouched (no edit, no send).
    void openArguments(const QStringList &arguments);

    // Opens a window of its own for a draft another start left (the path of
    // its recovery copy); the program starts one more of itself.
    using DraftOpener = std::function<void(const QString &path)>;
    // Before openArguments(): the other drafts a start finds open through
    // open, one window each. Without it they wait for a later start.
    void setDraftOpener(DraftOpener open) { m_openDraft = std::move(open); }
    // Before openArguments(): this window was opened for the draft at path,
    // which it takes instead of looking for leftovers, and says so.
    void setOfferedDraft(const QString &path) { m_offeredDraft = path; }
    // A message file opened while this window holds a message being written
    // opens in a window of its own through open (another start of the
    // program); without it, it does not open.
    void setMessageWindowOpener(std::function<void(const QString &path)> open);

    // Checks the spelling of the body and the subject with what open gives,
    // opened once the window is on screen and either box has the focus.
    // Without it, nothing is checked and nothing is said but
    // spelling()->unavailable().
    void checkSpelling(SpellingAid::Opener open);
    SpellingAid *spelling() const { return m_spelling; }

    // Checks the addresses as they are written, once the window is first on
    // screen, and asks before a send whose domains do not exist or look
    // mistyped (AddressChecks). Without it, nothing is checked.
    void checkAddresses();
    AddressChecks *addressChecks() const { return m_addressChecks; }

    MailComponent *component() const { return m_component.get(); }
    const ComposerLayout::Controls &controls() const { return m_controls; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void startUp();
    void takeLeftovers();
    void announce(const QString &text, const QString &title);
    void afterFirstPaint(const std::function<void()> &then);
    void openLink(const QString &link);

    std::unique_ptr<MailComponent> m_component;
    MessageUi &m_ui;
    HandlerQueue m_handlers;
    bool m_centred = false;
    ComposerLayout::Controls m_controls;
    AttachmentField *m_attachments = nullptr;
    FieldKeeper *m_fields = nullptr;
    SendCommand *m_send = nullptr;
    MessageOpening *m_messages = nullptr;
    SpellingAid *m_spelling = nullptr;
    AddressMemory *m_addresses = nullptr;
    AddressChecks *m_addressChecks = nullptr;
    DraftOpener m_openDraft;
    QString m_offeredDraft;
};
