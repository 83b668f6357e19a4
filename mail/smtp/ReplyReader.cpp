#include "ReplyReader.h"

#include "common/SecretWipe.h"
#include "mail/message/Unprintable.h"

#include <utility>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

QByteArrayView withoutLineEnd(QByteArrayView line)
{
    while (!line.isEmpty() && QByteArrayView(" \t\r\n").contains(line.back()))
        line.chop(1);
    return line;
}

} // namespace

QString withUnfitAsSpaces(const QString &text)
{
    QString shown = text;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        // Whole code points: format characters also live outside the BMP,
        // and a lone half of a surrogate pair is no character at all.
        const bool pair = shown[i].isHighSurrogate() && i + 1 < shown.size() && shown[i + 1].isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(shown[i], shown[i + 1]) : shown[i].unicode();
        if (isUnprintable(c)) {
            shown[i] = u' ';
            if (pair)
                shown[i + 1] = u' ';
        }
        i += pair ? 1 : 0;
    }
    return shown;
}

QString shownText(const QString &text, qsizetype maxChars)
{
    QString shown = withUnfitAsSpaces(text).trimmed();
    if (shown.size() > maxChars) {
        shown.truncate(maxChars - 1);
        // Never leave half of a surrogate pair at the cut.
        if (!shown.isEmpty() && shown.back().isHighSurrogate())
            shown.chop(1);
        shown += u'…';
    }
    return shown;
}

ReplyReader::Line ReplyReader::kind(QByteArrayView line)
{
    const QByteArrayView content = withoutLineEnd(line);
    if (content.size() < 3 || !isDigit(content[0]) || !isDigit(content[1]) || !isDigit(content[2]))
        return Line::Other;
    return content.size() == 3 || content[3] == ' ' ? Line::Last : Line::Continued;
}

bool ReplyReader::cutByLibcurl(const QString &curlDetail)
{
    return curlDetail.startsWith(QLatin1String("Too large response headers"));
}

ReplyReader::Line ReplyReader::read(QByteArrayView line)
{
    const Line kind = ReplyReader::kind(line);
    if (kind == Line::Other)
        return kind;
    if (!m_inReply)
        startReply();
    ++m_lines;
    const QString words = shownText(QString::fromUtf8(withoutLineEnd(line)));
    if (m_pending.size() < kMaxText)
        m_pending += (m_pending.isEmpty() ? QString() : QStringLiteral(" ")) + words;
    else if (!m_pending.endsWith(u'…'))
        m_pending += u'…'; // lines left out: cut short, as a text too long is
    readCapability(words);
    if (kind == Line::Continued)
        return kind;
    m_inReply = false;
    m_code = line.first(3).toInt();
    ++m_replies;
    SecretWipe::wipe(m_text);
    m_text = shownText(std::exchange(m_pending, {}));
    return kind;
}

void ReplyReader::startReply()
{
    m_inReply = true;
    m_lines = 0;
    m_startTls = false;
    m_auth = false;
    m_mechanisms.clear();
}

void ReplyReader::readCapability(const QString &words)
{
    const QString capability = words.mid(4).trimmed().toUpper();
    if (capability == u"STARTTLS")
        m_startTls = true;
    if (!capability.startsWith(u"AUTH ") && !capability.startsWith(u"AUTH="))
        return;
    m_auth = true;
    for (const QString &m : capability.mid(5).split(u' ', Qt::SkipEmptyParts))
        if (!m_mechanisms.contains(m))
            m_mechanisms << m;
}

void ReplyReader::wipe()
{
    SecretWipe::wipe(m_pending);
    SecretWipe::wipe(m_text);
}
