#pragma once

#include "common/MailFields.h"

#include <QObject>
#include <QString>

// The contract between the composer window and whatever sends its mail.
// The window only ever talks to this interface, so its tests can put a fake
// in place of the real SMTP component.
//
// Properties keep their last value between sends. Send() takes a snapshot of
// them and returns at once; exactly one of SendFailed or SendCompleted follows,
// later, on the thread that owns the object.
class MailComponent : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~MailComponent() override = default;

    // A text field of the message, by its member; FieldTable names the
    // property each member is, and the window hands the fields over by it.
    virtual void setField(QString MailFields::*field, const QString &value) = 0;
    // 1 highest, 3 normal, 5 lowest (X-Priority scale).
    virtual void setPriority(qint32 value) = 0;
    void setBcc(const QString &value) { setField(&MailFields::bcc, value); }
    void setCc(const QString &value) { setField(&MailFields::cc, value); }
    void setRecipient(const QString &value) { setField(&MailFields::recipient, value); }
    void setSender(const QString &value) { setField(&MailFields::sender, value); }
    void setBody(const QString &value) { setField(&MailFields::body, value); }
    void setSubject(const QString &value) { setField(&MailFields::subject, value); }
    void setAttachments(const QString &value) { setField(&MailFields::attachments, value); }
    void setServer(const QString &value) { setField(&MailFields::server, value); }
    virtual void setClientName(const QString &value) = 0;
    // The name the component goes by, which the window shows as its caption.
    virtual QString ClientName() const = 0;
    virtual void setPassword(const QString &value) = 0;
    virtual void setUsername(const QString &value) = 0;

    // Starts sending the message the properties describe; never blocks.
    virtual void Send() = 0;
    // True when a new Send() may start; false from Send() until just before
    // its outcome signal is emitted.
    virtual bool IsReady() const = 0;
    // Shows the component's modal about dialog; returns when it is closed.
    virtual void AboutBox() = 0;
    // What the send whose outcome was signalled last went through, for a
    // reader who wants to know why: its connections, our commands and the
    // server's replies, TLS, the outcome; one line each. Credentials and the
    // message's content never appear in it. Read it when the signal arrives.
    virtual QString lastTranscript() const = 0;
    // A send is about to start (questions or a prompt may come first): a
    // component may get ready, in the background, what the send needs. Does
    // nothing by default.
    virtual void prepare() {}

Q_SIGNALS:
    void SendFailed(qint16 number, const QString &description);
    void SendCompleted();
    // Right after SendCompleted, when no copy of the message sent could be
    // kept: why, in Italian. The send itself went as SendCompleted says.
    void sentCopyNotKept(const QString &why);
    // Bytes of the message handed to the server so far, of total.
    void progressChanged(qint64 sent, qint64 total);
};
