#include "SmtpDialogue.h"

void SmtpDialogue::commandSent(QByteArrayView line)
{
    const QByteArrayView text = line.trimmed();
    const qsizetype space = text.indexOf(' ');
    const QByteArray verb = (space < 0 ? text : text.first(space)).toByteArray().toUpper();
    // The goodbye after a failure leaves the account of the last answer.
    if (verb != "QUIT")
        replyLines = 0;
    // While authenticating, lines are SASL continuations (and secrets), unless
    // they open the next command; they are not even copied.
    if (stage == Stage::Auth && verb != "MAIL" && verb != "AUTH" && verb != "QUIT")
        return;
    const auto address = [&] {
        const qsizetype open = text.indexOf('<');
        const qsizetype close = open < 0 ? -1 : text.indexOf('>', open);
        return close < 0 ? QString() : shownText(QString::fromUtf8(text.sliced(open + 1, close - open - 1)));
    };
    if (verb == "EHLO" || verb == "HELO") {
        stage = Stage::Hello;
        m_authSeen = false;
        startTlsOffered = false;
        authMechanisms.clear();
    } else if (verb == "STARTTLS")
        stage = Stage::StartTls;
    else if (verb == "AUTH")
        stage = Stage::Auth;
    else if (verb == "MAIL") {
        stage = Stage::MailFrom;
        argument = address();
    } else if (verb == "RCPT") {
        stage = Stage::RcptTo;
        argument = address();
    } else if (verb == "DATA")
        stage = Stage::Data;
    else if (verb == "QUIT")
        quitSent = true;
}

bool SmtpDialogue::replyLine(QByteArrayView line)
{
    // The goodbye after a refusal must not hide the refusal itself.
    if (quitSent)
        return true;
    const ReplyReader::Line kind = m_reader.read(line);
    if (kind == ReplyReader::Line::Other)
        return true;
    replyLines = m_reader.lines();
    if (stage == Stage::Hello) {
        startTlsOffered = m_reader.offersStartTls();
        m_authSeen = m_reader.offersAuth();
        authMechanisms = m_reader.authMechanisms();
    }
    return kind == ReplyReader::Line::Continued || replyComplete();
}

bool SmtpDialogue::replyComplete()
{
    replyCode = m_reader.code();
    replies = m_reader.replies();
    replyText = m_reader.text();
    if (stage == Stage::StartTls && replyCode == 220)
        tlsActive = true;
    if (stage == Stage::Message)
        m_messageAnswered = true;
    if (stage == Stage::Data && replyCode == 354)
        stage = Stage::Message;
    if (stage != Stage::Hello || replyCode != 250)
        return true;
    // Without TLS libcurl refuses to go on by itself (STARTTLS is required
    // whenever there are credentials); with TLS, a server that offers no
    // AUTH would get the message unauthenticated: stop before that.
    if (credentials && tlsActive && !m_authSeen) {
        noAuthOffered = true;
        return false;
    }
    return true;
}
