#include "CredentialMask.h"

#include "ReplyReader.h"
#include "common/SecretWipe.h"

#include <algorithm>

namespace {

// Each run of hidden characters of text becomes one marker; hidden holds the
// characters of a longer text, text's first one at offset.
QString withRunsHidden(QStringView text, const QList<bool> &hidden, qsizetype offset)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!hidden[offset + i])
            shown += text[i];
        else if (i == 0 || !hidden[offset + i - 1])
            shown += CredentialMask::kMarker;
    }
    return shown;
}

// A reply code where a line of a joined reply starts: three digits at the
// start or after a space, then a space, a hyphen or the end.
qsizetype codeLength(const QString &text, qsizetype at)
{
    if (at > 0 && text[at] != u' ')
        return 0;
    const qsizetype digits = at == 0 ? at : at + 1;
    if (digits + 3 > text.size())
        return 0;
    for (qsizetype i = digits; i < digits + 3; ++i)
        if (!text[i].isDigit())
            return 0;
    const qsizetype end = digits + 3;
    if (end == text.size())
        return end - at;
    return text[end] == u' ' || text[end] == u'-' ? end + 1 - at : 0;
}

// Where the match of secret, from its character i on, that starts at
// text[j] ends (one past it), or -1. Where shownText() may have trimmed
// (trimPoint: the text's ends, the ends of a reply's lines), the secret's
// blanks may be missing; in a text cut short, a secret's start at its end is
// a match.
qsizetype matchEnd(QStringView text, const QList<bool> &trimPoint, QStringView secret, qsizetype i,
                   qsizetype j, bool cut)
{
    for (; i < secret.size(); ++i, ++j) {
        if (trimPoint[j] && secret[i].isSpace()) {
            for (qsizetype next = i + 1; next <= secret.size() && secret[next - 1].isSpace(); ++next) {
                const qsizetype end = matchEnd(text, trimPoint, secret, next, j, cut);
                if (end >= 0)
                    return end;
            }
        }
        if (j == text.size())
            return cut ? j : -1;
        if (text[j] != secret[i])
            return -1;
    }
    return j;
}

} // namespace

CredentialMask::CredentialMask(QByteArrayView username, QByteArrayView password)
    : m_username(username.toByteArray())
{
    if (username.isEmpty())
        return; // no authentication: nothing was sent to hide
    add(QString::fromUtf8(password));
    addBase64(password.toByteArray());
    addBase64(username.toByteArray());
    // PLAIN's payload, as libcurl builds it with no authorisation identity.
    QByteArray plain;
    plain.reserve(username.size() + password.size() + 2);
    plain.append('\0').append(username).append('\0').append(password);
    addBase64(std::move(plain));
}

CredentialMask::~CredentialMask()
{
    for (QString &secret : m_secrets)
        SecretWipe::wipe(secret);
    SecretWipe::wipe(m_username);
}

void CredentialMask::add(QString secret)
{
    // Kept as the user would read it, as every text is searched.
    QString asShown = withUnfitAsSpaces(secret);
    SecretWipe::wipe(secret);
    secret = std::move(asShown);
    if (secret.isEmpty() || m_secrets.contains(secret)) {
        SecretWipe::wipe(secret);
        return;
    }
    // Servers that quote base64 often drop its padding; the text without it
    // is hidden wherever it stands, with or without the "=" after it.
    QString unpadded = secret;
    while (unpadded.endsWith(u'='))
        unpadded.chop(1);
    m_secrets.append(std::move(secret));
    if (unpadded.size() == m_secrets.back().size() || unpadded.isEmpty())
        SecretWipe::wipe(unpadded);
    else
        add(std::move(unpadded));
}

void CredentialMask::addBase64(QByteArray bytes)
{
    if (!bytes.isEmpty()) {
        QByteArray encoded = bytes.toBase64();
        add(QString::fromLatin1(encoded));
        SecretWipe::wipe(encoded);
    }
    SecretWipe::wipe(bytes);
}

void CredentialMask::commandSent(QByteArrayView line, bool inAuth)
{
    const QByteArrayView text = line.trimmed();
    const qsizetype space = text.indexOf(' ');
    const QByteArrayView verb = space < 0 ? text : text.first(space);
    const auto is = [verb](const char *command) { return verb.compare(command, Qt::CaseInsensitive) == 0; };
    if (is("AUTH")) {
        // "AUTH <mechanism> <initial response>"
        const QByteArrayView rest = space < 0 ? QByteArrayView() : text.sliced(space + 1).trimmed();
        const qsizetype end = rest.indexOf(' ');
        if (end >= 0)
            payloadSent(rest.sliced(end + 1).trimmed());
        return;
    }
    if (inAuth && !is("MAIL") && !is("QUIT"))
        payloadSent(text);
}

void CredentialMask::payloadSent(QByteArrayView payload)
{
    if (payload.isEmpty() || payload == "*" || payload == "=")
        return;
    add(QString::fromLatin1(payload));
    QByteArray encoded = payload.toByteArray();
    QByteArray::FromBase64Result decoded
        = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    SecretWipe::wipe(encoded);
    if (decoded) {
        // What the payload carries last: PLAIN's password, CRAM-MD5's
        // digest; LOGIN's first payload is the user name, no secret.
        const QByteArray &clear = *decoded;
        const qsizetype cut = std::max(clear.lastIndexOf(' '), clear.lastIndexOf('\0'));
        const QByteArrayView last = QByteArrayView(clear).sliced(cut + 1);
        if (last != m_username)
            add(QString::fromUtf8(last));
    }
    SecretWipe::wipe(decoded.decoded);
}

QList<bool> CredentialMask::hiddenChars(const QString &text, const QList<bool> &searched) const
{
    // Searched as the user will read it: what shownText() turns into spaces
    // is a space in the text as in the secrets, so a secret is found in the
    // server's words before they are cleaned for display and after.
    QList<bool> hidden(text.size(), false);
    const bool cut = text.endsWith(u'…');
    QString shown = withUnfitAsSpaces(text);
    QString joined;
    QList<qsizetype> place;
    QList<bool> trimPoint; // before joined[j]: the text's start, or a line's end
    for (qsizetype i = 0; i < (cut ? text.size() - 1 : text.size()); ++i) {
        if (searched[i]) {
            trimPoint.append(place.isEmpty() || place.back() != i - 1);
            joined += shown[i];
            place.append(i);
        }
    }
    trimPoint.append(true);
    for (const QString &secret : m_secrets)
        for (qsizetype at = 0; at < joined.size(); ++at)
            for (qsizetype k = at, end = matchEnd(joined, trimPoint, secret, 0, at, cut); k < end; ++k)
                hidden[place[k]] = true;
    SecretWipe::wipe(shown);
    SecretWipe::wipe(joined);
    return hidden;
}

QString CredentialMask::masked(const QString &text) const
{
    if (m_secrets.isEmpty())
        return text;
    return withRunsHidden(text, hiddenChars(text, QList<bool>(text.size(), true)), 0);
}

QStringList CredentialMask::maskedReply(const QStringList &lines, qsizetype prefix) const
{
    if (m_secrets.isEmpty())
        return lines;
    const QString all = lines.join(QString());
    QList<bool> searched(all.size(), true);
    qsizetype start = 0;
    for (const QString &line : lines) {
        for (qsizetype i = 0; i < std::min(prefix, line.size()); ++i)
            searched[start + i] = false;
        start += line.size();
    }
    const QList<bool> hidden = hiddenChars(all, searched);
    QStringList shown;
    start = 0;
    for (const QString &line : lines) {
        shown.append(withRunsHidden(line, hidden, start));
        start += line.size();
    }
    return shown;
}

QString CredentialMask::maskedJoinedReply(const QString &text) const
{
    if (m_secrets.isEmpty())
        return text;
    QList<bool> searched(text.size(), true);
    for (qsizetype at = 0; at < text.size(); ++at)
        for (qsizetype k = 0, length = codeLength(text, at); k < length; ++k)
            searched[at + k] = false;
    if (text.endsWith(u'…'))
        searched.back() = false;
    return withRunsHidden(text, hiddenChars(text, searched), 0);
}
