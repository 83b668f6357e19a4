#include "SmtpTransfer.h"

#include "QuitBehindLibcurl.h"
#include "SmtpFailure.h"
#include "SmtpTexts.h"
#include "Transcript.h"
#include "common/SecretWipe.h"
#include "mail/message/MessageSource.h"

#include <curl/curl.h>

namespace {

// libcurl's codes for what the session decides before libcurl itself does:
// a reply other than 250 to the end of the message, and a refusal that ends
// the conversation (the code is not shown: the server's reply code is).
constexpr int kWeirdServerReply = 8;
constexpr int kRefused = 55;
constexpr int kNoStartTls = 64;

bool isRefusal(int code) { return code >= 400 && code <= 599; }

// Lines of one reply held back at most, so a server that never ends its
// reply cannot make the transcript wait (or grow) without end.
constexpr qsizetype kMaxHeldLines = 64;
// Where the reply code and the server's words start in a transcript line:
// "S: 250-".
constexpr qsizetype kCodeAt = 3;
constexpr qsizetype kReplyPrefix = 7;

// When the server must have answered QUIT, said now.
std::chrono::steady_clock::time_point goodbyeEnd()
{
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(ConnectionTimings::kGoodbyeMs);
}

} // namespace

SmtpTransfer::SmtpTransfer(SmtpSession &session, const SmtpSession::Settings &settings, MessageSource &source,
                           const SmtpSession::Progress &progress, const SmtpSession::Verdict &verdict)
    : m_session(session), m_settings(settings), m_source(source), m_progress(progress), m_verdict(verdict),
      m_mask(settings.username, settings.password)
{
    if (settings.transcript)
        m_tap = TranscriptTap([this](const QString &line) { show(line); });
    m_dialogue.tlsActive = settings.server.implicitTls;
    m_dialogue.credentials = !settings.username.isEmpty();
}

SmtpTransfer::~SmtpTransfer()
{
    showHeldReply();
    SecretWipe::wipe(m_dialogue.replyText);
}

void SmtpTransfer::show(const QString &line)
{
    if (!line.startsWith(u"S: ")) {
        showHeldReply();
        m_settings.transcript->add(m_mask.masked(line));
        return;
    }
    m_heldReply.append(line);
    // The code and what follows it tell whether more lines come; only they
    // are copied, never the words, which may quote the credentials.
    const QByteArray code = line.mid(kCodeAt, kReplyPrefix - kCodeAt).toLatin1();
    const bool continued = ReplyReader::kind(code) == ReplyReader::Line::Continued;
    if (!continued || m_heldReply.size() >= kMaxHeldLines)
        showHeldReply();
}

void SmtpTransfer::showHeldReply()
{
    if (m_heldReply.isEmpty())
        return;
    const QStringList lines = m_mask.maskedReply(m_heldReply, kReplyPrefix);
    for (QString &held : m_heldReply)
        SecretWipe::wipe(held);
    m_heldReply.clear();
    for (const QString &line : lines)
        m_settings.transcript->add(line);
}

qint64 SmtpTransfer::readMessage(char *buffer, qint64 room)
{
    if (m_session.aborted())
        return -1;
    // The source hands out one encoded piece (~88 KB) per read; filling all
    // of libcurl's upload buffer instead means one trip through its send
    // loop (poll, escaping, send, progress) per buffer rather than per piece.
    qint64 filled = 0;
    while (filled < room) {
        const qint64 n = m_source.read(buffer + filled, room - filled);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        filled += n;
    }
    if (m_progress)
        m_progress(m_source.delivered(), m_source.size());
    return filled;
}

bool SmtpTransfer::replyLine(QByteArrayView line)
{
    const bool goOn = m_dialogue.replyLine(line);
    // The answer to the end of the message is the server's last word on it:
    // what follows (QUIT and its reply) cannot change the outcome.
    if (m_dialogue.messageAnswered() && !decided()) {
        const int code = m_dialogue.replyCode;
        decide(code == 250 ? SendOutcome{} : failure(isRefusal(code) ? kRefused : kWeirdServerReply, {}, 0));
    }
    if (std::exchange(m_repliesSeen, m_dialogue.replies) != m_dialogue.replies && givenUpBeforeMail()) {
        decide(failure(isRefusal(m_dialogue.replyCode) || m_dialogue.noAuthOffered ? kRefused : kNoStartTls,
                       {}, 0));
        sayQuitInPassing();
    }
    return goOn;
}

bool SmtpTransfer::givenUpBeforeMail() const
{
    // libcurl counts these as a failed connect and hangs up without QUIT.
    const SmtpDialogue &d = m_dialogue;
    if (m_quitInPassing || !d.credentials)
        return false;
    switch (d.stage) {
    case SmtpDialogue::Stage::Hello:
        return d.noAuthOffered || (d.replyCode == 250 && !d.tlsActive && !d.startTlsOffered);
    case SmtpDialogue::Stage::StartTls:
    case SmtpDialogue::Stage::Auth:
        return isRefusal(d.replyCode);
    default:
        return false;
    }
}

void SmtpTransfer::sayQuitInPassing()
{
    // libcurl is between two reads and will only close the connection now:
    // the goodbye is written by hand, and the socket's closing waits for
    // the server to answer it and hang up.
    m_quitInPassing = true;
    if (!writeQuitBehindLibcurl(m_easy, m_dialogue.tlsActive, m_session.m_connections))
        return;
    m_dialogue.quitSent = true;
    m_goodbyeEnds = goodbyeEnd();
    // libcurl's closing TLS alert must not overtake QUIT: a server that sees
    // the connection end drops what it has not read yet.
    m_session.m_connections.awaitReply(*m_goodbyeEnds);
}

void SmtpTransfer::commandSent(QByteArrayView line)
{
    // Before the dialogue moves on: what follows AUTH is a payload.
    m_mask.commandSent(line, m_dialogue.stage == SmtpDialogue::Stage::Auth);
    m_dialogue.commandSent(line);
    if (!m_dialogue.quitSent || m_goodbyeEnds)
        return;
    m_goodbyeEnds = goodbyeEnd();
    decideFromDialogue();
}

void SmtpTransfer::decideFromDialogue()
{
    // libcurl says QUIT when it has given up: after a refusal, or when the
    // server offers no authentication, the reason is known without waiting
    // for the reply to QUIT (or for its absence).
    if (decided())
        return;
    if (m_dialogue.noAuthOffered || isRefusal(m_dialogue.replyCode) || !m_source.error().isEmpty())
        decide(failure(kRefused, {}, 0));
}

bool SmtpTransfer::keepGoing() const
{
    if (m_session.aborted())
        return false;
    return !m_goodbyeEnds || std::chrono::steady_clock::now() < *m_goodbyeEnds;
}

qintptr SmtpTransfer::openSocket(int family, int type, int protocol)
{
    // A socket is only asked for once the name lookup has finished: the
    // greeting's time counts from here, as the choice of the port counts
    // it from connections already under way.
    m_resolved = true;
    if (m_settings.greetingTimeoutMs > 0 && !m_greetingEnds)
        m_greetingEnds
            = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_settings.greetingTimeoutMs);
    return m_session.m_connections.open(family, type, protocol);
}

void SmtpTransfer::closeSocket(qintptr socket)
{
    if (m_quitInPassing && m_goodbyeEnds)
        m_session.m_connections.drain(socket, *m_goodbyeEnds);
    m_session.m_connections.close(socket);
}

bool SmtpTransfer::greetingOverdue() const
{
    return m_greetingEnds && m_dialogue.replies == 0 && std::chrono::steady_clock::now() >= *m_greetingEnds;
}

SendOutcome SmtpTransfer::noGreeting() const
{
    const int seconds = ConnectionTimings::wholeSeconds(m_settings.greetingTimeoutMs);
    SendOutcome outcome{qint16(CURLE_OPERATION_TIMEDOUT),
                        smtpText(SmtpText::NoGreetingWithin).arg(m_settings.server.display()).arg(seconds)};
    outcome.unreached = true;
    return outcome;
}

SendOutcome SmtpTransfer::failure(int curlCode, const QString &detail, int osErrno) const
{
    // The server's words as the user will read them: without what it quoted
    // of the credentials.
    SmtpDialogue shown = m_dialogue;
    shown.replyText = m_mask.maskedJoinedReply(m_dialogue.replyText);
    for (QString &mechanism : shown.authMechanisms)
        mechanism = m_mask.masked(mechanism);
    SendOutcome outcome = describeFailure(
        {curlCode, m_mask.masked(detail), osErrno, m_settings.server, m_source.error(), m_resolved}, shown);
    outcome.unreached = m_dialogue.stage == SmtpDialogue::Stage::Greeting;
    return outcome;
}

SendOutcome SmtpTransfer::decide(const SendOutcome &outcome)
{
    if (decided())
        return *m_decided;
    m_tap.flush(); // the message's size belongs before the outcome
    showHeldReply();
    m_decided = outcome;
    if (m_verdict)
        m_verdict(outcome);
    return outcome;
}
