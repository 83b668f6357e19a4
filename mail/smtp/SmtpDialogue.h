#pragma once

#include "ReplyReader.h"

#include <QByteArray>
#include <QList>
#include <QString>

// What the session has seen of the conversation so far: the last command sent
// and the server's replies. libcurl reports a refusal after DATA without its
// text, and skips authentication silently when the server offers none, so
// the session keeps its own account of the dialogue. Replies are untrusted:
// what is kept of them is fit to show and bounded in size.
struct SmtpDialogue
{
    enum class Stage { Greeting, Hello, StartTls, Auth, MailFrom, RcptTo, Data, Message };

    // At most this many characters of one reply are kept for the user.
    static constexpr qsizetype kMaxReplyText = ReplyReader::kMaxText;

    Stage stage = Stage::Greeting;
    QString argument;       // the address of MAIL FROM / RCPT TO
    int replyCode = 0;      // the last complete reply
    QString replyText;      // its lines, as the server wrote them
    bool tlsActive = false; // TLS established (implicit or STARTTLS)
    bool credentials = false;
    bool noAuthOffered = false;
    bool startTlsOffered = false; // by the last EHLO reply
    QStringList authMechanisms;   // as the last EHLO reply listed them
    bool quitSent = false;
    int replies = 0;    // complete replies so far
    int replyLines = 0; // lines of the answer to the last command so far

    // A command line as libcurl sends it.
    void commandSent(QByteArrayView line);
    // One reply line; returns false when the dialogue must stop here.
    bool replyLine(QByteArrayView line);
    // True once the server has answered the end of the message.
    bool messageAnswered() const { return m_messageAnswered; }

private:
    // What a complete reply means at the stage it answers.
    bool replyComplete();

    ReplyReader m_reader;
    bool m_authSeen = false;
    bool m_messageAnswered = false;
};
