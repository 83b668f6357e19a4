#pragma once

#include "mail/message/MailRequest.h"
#include "mail/smtp/PortChooser.h"
#include "mail/smtp/SendOutcome.h"
#include "mail/smtp/SmtpSession.h"
#include "mail/smtp/Transcript.h"

#include <memory>
#include <optional>

class MessageSource;
class SentCopy;

// One send, from a snapshot of the properties to its outcome: checks the
// fields, builds the message and runs the SMTP session. run() belongs to a
// worker thread, and overwrites its copies of the password before it
// returns; abort() may come from any thread and never blocks. passwordHold,
// the caller's guard keeping the process undumpable, is let go once the
// password is wiped. The send's transcript fills as it goes; with
// echo, each line also goes to it. A copy of the message, written as it
// goes, is kept in the Maildir of the messages sent once the server has
// accepted it.
class SendJob
{
public:
    explicit SendJob(MailRequest request, Transcript::EchoLine echo = nullptr,
                     std::shared_ptr<void> passwordHold = {});
    // Wipes the password of a job that never ran.
    ~SendJob();
    SendJob(const SendJob &) = delete;
    SendJob &operator=(const SendJob &) = delete;
    // verdict, if given, gets the outcome exactly once, as soon as it is
    // known (see SmtpSession::run), unless the send was aborted first; run()
    // returns the same outcome once the session is over.
    SendOutcome run(const SmtpSession::Progress &progress, const SmtpSession::Verdict &verdict = {});
    void abort()
    {
        m_ports.abort();
        m_session.abort();
    }
    bool aborted() const { return m_session.aborted(); }
    Transcript &transcript() { return m_transcript; }
    const Transcript &transcript() const { return m_transcript; }

private:
    void forgetPassword();
    // The copy of an accepted message kept, said in the transcript; outcome
    // with why not, when it could not be.
    SendOutcome keepCopy(SendOutcome outcome);
    // run() without its telling of the outcome: verdict may get it early.
    SendOutcome send(const SmtpSession::Progress &progress, const SmtpSession::Verdict &verdict);
    // Sends to the port typed, kept from an earlier send or chosen now.
    SendOutcome deliver(SmtpSession::Settings &settings, MessageSource &message,
                        const SmtpSession::Progress &progress, const SmtpSession::Verdict &verdict);

    // Sends to the port kept from an earlier choice; nothing when it did not
    // greet (in time), and the choice must be made again.
    std::optional<SendOutcome> sendToKept(SmtpSession::Settings &settings, const ServerAddress &kept,
                                          const ConnectionTimings &timings, MessageSource &message,
                                          const SmtpSession::Progress &progress,
                                          const SmtpSession::Verdict &verdict);

    MailRequest m_request;
    std::shared_ptr<void> m_passwordHold;
    Transcript m_transcript;
    PortChooser m_ports;
    SmtpSession m_session;
    std::unique_ptr<SentCopy> m_copy;
};
