#include "SmtpDialogue.h"

namespace {

QString printable(QByteArrayView line)
{
    QString text = QString::fromUtf8(line).trimmed();
    for (QChar &c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    return text;
}

} // namespace

void SmtpDialogue::commandSent(QByteArrayView line)
{
    const QByteArray text = line.toByteArray().trimmed();
    const qsizetype space = text.indexOf(' ');
    const QByteArray verb = (space < 0 ? text : text.left(space)).toUpper();
    const auto address = [&] {
        const qsizetype open = text.indexOf('<');
        const qsizetype close = text.indexOf('>', open);
        return open < 0 || close < 0 ? QString() : QString::fromUtf8(text.mid(open + 1, close - open - 1));
    };
    // While authenticating, lines are SASL continuations (and secrets), unless
    // they open the next command.
    if (stage == Stage::Auth && verb != "MAIL" && verb != "AUTH" && verb != "QUIT")
        return;
    if (verb == "EHLO" || verb == "HELO")
        stage = Stage::Hello;
    else if (verb == "STARTTLS")
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
        m_quitting = true;
}

bool SmtpDialogue::replyLine(QByteArrayView line)
{
    if (line.size() < 3)
        return true;
    m_pending << printable(line);
    if (line.size() > 3 && line[3] == '-')
        return true;
    // The goodbye after a refusal must not hide the refusal itself.
    if (m_quitting) {
        m_pending.clear();
        return true;
    }

    replyCode = line.first(3).toByteArray().toInt();
    replyText = m_pending.join(u' ');
    const QStringList lines = std::exchange(m_pending, {});

    if (stage == Stage::StartTls && replyCode == 220)
        tlsActive = true;
    if (stage == Stage::Data && replyCode == 354)
        stage = Stage::Message;
    if (stage != Stage::Hello || replyCode != 250)
        return true;

    m_authSeen = false;
    authMechanisms.clear();
    for (const QString &l : lines) {
        const QString capability = l.mid(4).trimmed().toUpper();
        if (capability.startsWith(u"AUTH ") || capability.startsWith(u"AUTH=")) {
            m_authSeen = true;
            for (const QString &m : capability.mid(5).split(u' ', Qt::SkipEmptyParts))
                if (!authMechanisms.contains(m))
                    authMechanisms << m;
        }
    }
    // Without TLS libcurl refuses to go on by itself (STARTTLS is required
    // whenever there are credentials); with TLS, a server that offers no
    // AUTH would get the message unauthenticated: stop before that.
    if (credentials && tlsActive && !m_authSeen) {
        noAuthOffered = true;
        return false;
    }
    return true;
}
