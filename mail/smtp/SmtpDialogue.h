#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// What the session has seen of the conversation so far: the last command sent
// and the server's replies. libcurl reports a refusal after DATA without its
// text, and skips authentication silently when the server offers none, so
// the session keeps its own account of the dialogue.
struct SmtpDialogue
{
    enum class Stage { Greeting, Hello, StartTls, Auth, MailFrom, RcptTo, Data, Message };

    Stage stage = Stage::Greeting;
    QString argument;       // the address of MAIL FROM / RCPT TO
    int replyCode = 0;      // the last complete reply
    QString replyText;      // its lines, as the server wrote them
    bool tlsActive = false; // TLS established (implicit or STARTTLS)
    bool credentials = false;
    bool noAuthOffered = false;
    QStringList authMechanisms; // as the last EHLO reply listed them

    // A command line as libcurl sends it.
    void commandSent(QByteArrayView line);
    // One reply line; returns false when the dialogue must stop here.
    bool replyLine(QByteArrayView line);

private:
    QStringList m_pending;
    bool m_authSeen = false;
    bool m_quitting = false;
};
