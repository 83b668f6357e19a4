#pragma once

#include "CredentialMask.h"
#include "SmtpDialogue.h"
#include "SmtpSession.h"
#include "TranscriptTap.h"

#include <QByteArrayView>

#include <chrono>
#include <optional>

// One run of a session as libcurl's callbacks see it: the message being read,
// the dialogue, the connection's sockets, and the outcome, decided as soon as
// the server has had its last word on the message, before the goodbye.
class SmtpTransfer
{
public:
    SmtpTransfer(SmtpSession &session, const SmtpSession::Settings &settings, MessageSource &source,
                 const SmtpSession::Progress &progress, const SmtpSession::Verdict &verdict);
    // Overwrites what the dialogue kept of the server's words, which may quote
    // the credentials.
    ~SmtpTransfer();
    SmtpTransfer(const SmtpTransfer &) = delete;
    SmtpTransfer &operator=(const SmtpTransfer &) = delete;

    // Up to room bytes of the message into buffer; -1 stops the upload.
    qint64 readMessage(char *buffer, qint64 room);
    // A line of the server's; false stops the transfer.
    bool replyLine(QByteArrayView line);
    // A command line as libcurl writes it.
    void commandSent(QByteArrayView line);
    // False once the transfer must stop: aborted, or the server has had its
    // time to answer QUIT.
    bool keepGoing() const;
    // The easy handle (a CURL *) the callbacks belong to.
    void attach(void *easy) { m_easy = easy; }
    // The connection's sockets, opened and closed so that abort() can cut them.
    qintptr openSocket(int family, int type, int protocol);
    void closeSocket(qintptr socket);

    // Whether the server has let the greeting's time (greetingTimeoutMs)
    // pass without a reply.
    bool greetingOverdue() const;
    // The outcome of a server given up for that: unreached.
    SendOutcome noGreeting() const;

    // The outcome libcurl's failed result stands for.
    SendOutcome failure(int curlCode, const QString &detail, int osErrno) const;
    // The session's first word on the message is final: the first outcome
    // goes to the verdict, and later calls return it unchanged.
    SendOutcome decide(const SendOutcome &outcome);
    bool decided() const { return m_decided.has_value(); }

    const SmtpDialogue &dialogue() const { return m_dialogue; }
    // Where libcurl's debug reports go on their way to the transcript.
    TranscriptTap &tap() { return m_tap; }

private:
    void decideFromDialogue();
    // Whether the last reply ends the conversation before MAIL FROM in a
    // way libcurl treats as a failed connect (closed without QUIT): a
    // refused password or STARTTLS, no STARTTLS or no AUTH with credentials.
    bool givenUpBeforeMail() const;
    // Writes QUIT on the connection libcurl holds and waits, within the
    // goodbye's time, for the server to answer before libcurl closes it.
    void sayQuitInPassing();
    // A transcript line on its way out, credentials hidden; the lines of a
    // reply wait for its last one, so a secret split over them is seen whole.
    void show(const QString &line);
    void showHeldReply();

    SmtpSession &m_session;
    const SmtpSession::Settings &m_settings;
    MessageSource &m_source;
    const SmtpSession::Progress &m_progress;
    const SmtpSession::Verdict &m_verdict;
    SmtpDialogue m_dialogue;
    CredentialMask m_mask;
    QStringList m_heldReply;
    TranscriptTap m_tap;
    std::optional<SendOutcome> m_decided;
    std::optional<std::chrono::steady_clock::time_point> m_goodbyeEnds;
    std::optional<std::chrono::steady_clock::time_point> m_greetingEnds;
    bool m_resolved = false;
    bool m_quitInPassing = false;
    int m_repliesSeen = 0;
    void *m_easy = nullptr;
};
