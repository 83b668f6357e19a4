#pragma once

#include "ComposerLayout.h"
#include "FormFields.h"
#include "HandlerQueue.h"

#include <QWidget>

#include <memory>

class AttachmentField;
class MailComponent;
class MessageUi;
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
    // read), every other argument names a file to attach. Runs as a handler.
    void openArguments(const QStringList &arguments);

    MailComponent *component() const { return m_component.get(); }
    const ComposerLayout::Controls &controls() const { return m_controls; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void startUp();
    void openLink(const QString &link);
    void sendCommand();
    bool askCredentials();
    void handOverFields();
    void reportFailure(qint16 number, const QString &description, const QString &transcript);
    void reportCompletion();

    void RestoreFields();
    void StoreFields();
    FormFields fields() const;
    void setFields(const FormFields &fields);

    std::unique_ptr<MailComponent> m_component;
    MessageUi &m_ui;
    SettingsStore &m_store;
    HandlerQueue m_handlers;
    bool m_stored = false;
    bool m_centred = false;
    ComposerLayout::Controls m_controls;
    AttachmentField *m_attachments = nullptr;
};
