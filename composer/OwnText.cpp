#include "OwnText.h"

#include <QRegularExpression>

#include <algorithm>

namespace OwnText {

namespace {

// The line a mail program writes above the message it quotes or forwards,
// in the folded form of openingKey(). A row with an end also matches a line
// wrapped in two; a row with a header below opens a block of header lines
// only where that header follows within the next few lines.
struct Opening
{
    QStringView begins;
    QStringView ends;
    QStringView headerBelow;
};

constexpr Opening kOpenings[] = {
    {u"--- messaggio originale ---", {}, {}}, // Outlook, and others after it
    {u"--- original message ---", {}, {}},
    {u"--- messaggio inoltrato ---", {}, {}}, // Gmail, Thunderbird
    {u"--- forwarded message ---", {}, {}},
    {u"inizio messaggio inoltrato:", {}, {}}, // Apple Mail
    {u"begin forwarded message:", {}, {}},
    // "Il giorno lun 4 mar 2024 alle ore 10:00 Anna <...> ha scritto:", "Il 04/03/24 10:00, Anna ha scritto:"
    {u"il ", u" ha scritto:", {}},
    {u"on ", u" wrote:", {}},
    {u"da:", {}, u"oggetto:"}, // Outlook's block: Da, Inviato, A, Cc, Oggetto
    {u"da:", {}, u"subject:"},
    {u"from:", {}, u"subject:"},
};
constexpr qsizetype kHeaderLines = 5;

constexpr QStringView kReplyPrefixes[] = {u"re", u"r", u"i", u"fwd", u"fw", u"inoltro"};

bool isQuoted(QStringView line) { return line.trimmed().startsWith(u'>'); }

// "-- " as the standard writes it, or "--" where an editor dropped the space.
bool isSignatureLine(QStringView line)
{
    return line.startsWith(u"--") && line.sliced(2).trimmed().isEmpty();
}

// Each program draws its separator with its own number of dashes.
QString openingKey(QStringView line)
{
    static const QRegularExpression dashes(QStringLiteral("-{3,}"));
    return fold(line).replace(dashes, QStringLiteral(" --- ")).simplified();
}

bool headerFollows(const QList<QStringView> &lines, qsizetype at, QStringView header)
{
    for (qsizetype below = at + 1; below < lines.size() && below <= at + kHeaderLines; ++below)
        if (fold(lines[below]).startsWith(header))
            return true;
    return false;
}

bool opens(const Opening &opening, const QList<QStringView> &lines, qsizetype at, const QString &key)
{
    if (!key.startsWith(opening.begins))
        return false;
    if (!opening.headerBelow.isEmpty())
        return headerFollows(lines, at, opening.headerBelow);
    if (opening.ends.isEmpty() || key.endsWith(opening.ends))
        return true;
    return at + 1 < lines.size() && (key + u' ' + openingKey(lines[at + 1])).endsWith(opening.ends);
}

bool opensQuote(const QList<QStringView> &lines, qsizetype at)
{
    const QString key = openingKey(lines[at]);
    return std::ranges::any_of(kOpenings,
                               [&](const Opening &opening) { return opens(opening, lines, at, key); });
}

} // namespace

QList<QStringView> bodyLines(const QString &body)
{
    const QList<QStringView> lines = QStringView(body).split(u'\n');
    QList<QStringView> own;
    for (qsizetype at = 0; at < lines.size(); ++at) {
        if (isSignatureLine(lines[at]) || opensQuote(lines, at))
            break;
        if (!isQuoted(lines[at]))
            own << lines[at];
    }
    return own;
}

bool ownSubject(const QString &subject)
{
    const QString key = fold(subject);
    const qsizetype colon = key.indexOf(u':');
    if (colon < 0)
        return true;
    const QStringView prefix = QStringView(key).first(colon).trimmed();
    return std::none_of(std::cbegin(kReplyPrefixes), std::cend(kReplyPrefixes),
                        [prefix](QStringView reply) { return prefix == reply; });
}

QString fold(QStringView text)
{
    QString bare = text.toString().normalized(QString::NormalizationForm_D);
    bare.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    return bare.toCaseFolded().simplified();
}

} // namespace OwnText
