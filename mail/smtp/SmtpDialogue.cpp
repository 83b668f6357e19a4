#include "SmtpDialogue.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool unfitToShow(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

} // namespace

QString shownText(const QString &text, qsizetype maxChars)
{
    QString shown = text;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        // Whole code points: format characters also live outside the BMP,
        // and a lone half of a surrogate pair is no character at all.
        const bool pair = shown[i].isHighSurrogate() && i + 1 < shown.size() && shown[i + 1].isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(shown[i], shown[i + 1]) : shown[i].unicode();
        if (unfitToShow(c)) {
            shown[i] = u' ';
            if (pair)
                shown[i + 1] = u' ';
        }
        i += pair ? 1 : 0;
    }
    shown = shown.trimmed();
    if (shown.size() > maxChars) {
        shown.truncate(maxChars - 1);
        // Never leave half of a surrogate pair at the cut.
        if (!shown.isEmpty() && shown.back().isHighSurrogate())
            shown.chop(1);
        shown += u'…';
    }
    return shown;
}

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
    // As libcurl reads them: a reply line starts with three digits; the last
    // line of a reply has a space (or nothing) after them.
    QByteArrayView content = line;
    while (!content.isEmpty() && QByteArrayView(" \t\r\n").contains(content.back()))
        content.chop(1);
    if (content.size() < 3 || !isDigit(content[0]) || !isDigit(content[1]) || !isDigit(content[2]))
        return true;
    // The goodbye after a refusal must not hide the refusal itself.
    if (quitSent)
        return true;
    ++replyLines;
    const bool last = content.size() == 3 || content[3] == ' ';
    const QString words = shownText(QString::fromUtf8(content));
    if (m_pending.size() < kMaxReplyText)
        m_pending += (m_pending.isEmpty() ? QString() : QStringLiteral(" ")) + words;
    if (stage == Stage::Hello) {
        const QString capability = words.mid(4).trimmed().toUpper();
        if (capability == u"STARTTLS")
            startTlsOffered = true;
        if (capability.startsWith(u"AUTH ") || capability.startsWith(u"AUTH=")) {
            m_authSeen = true;
            for (const QString &m : capability.mid(5).split(u' ', Qt::SkipEmptyParts))
                if (!authMechanisms.contains(m))
                    authMechanisms << m;
        }
    }
    if (!last)
        return true;

    replyCode = content.first(3).toInt();
    ++replies;
    replyText = shownText(std::exchange(m_pending, {}));

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
