#pragma once

#include "ComposerLayout.h"
#include "common/MailFields.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

class AddressChecks;
class FieldKeeper;
class HandlerQueue;
class MailComponent;
class MessageUi;

// The window's send command and the outcome reports that follow it: asks the
// component whether it is free, the user whether to send what looks like a
// slip (SendDoubts and AddressChecks; the name server's answers awaited a
// few hundred milliseconds at most, what it has not told is not asked
// about), the user for credentials when the window says so, hands the component the fields and starts the
// send; the outcome is shown in a message box, as a handler, while the window is open.
class SendCommand : public QObject
{
    Q_OBJECT

public:
    // All of them outlive the command, which the window owns (parent).
    SendCommand(MailComponent &component, const ComposerLayout::Controls &controls, FieldKeeper &fields,
                MessageUi &ui, HandlerQueue &handlers, QObject *parent);

    // The send command itself; runs as a handler.
    void run();

    // From now on the addresses' domains are part of what is doubtful; the
    // send waits a short while for the name server's answers about them.
    // checks outlives the command.
    void setAddressChecks(AddressChecks *checks);

Q_SIGNALS:
    // The server took the message: the address fields it was sent with
    // (Mittente, Destinatario, CC, BCC), not what the boxes hold by now.
    void delivered(const QStringList &addressFields);

private:
    void proceed();
    void answersIn(bool waitedEnough);
    bool confirmDoubts();
    bool askCredentials();
    void handOver(const MailFields &fields);
    void reportFailure(qint16 number, const QString &description, const QString &transcript);
    void reportCompletion();

    MailComponent &m_component;
    const ComposerLayout::Controls &m_controls;
    FieldKeeper &m_fields;
    MessageUi &m_ui;
    HandlerQueue &m_handlers;
    QStringList m_sending; // the address fields of the send under way
    AddressChecks *m_checks = nullptr;
    QTimer m_answerWait; // running while a send waits for the name server
};
