#include "AttachmentMention.h"

#include "OwnText.h"

#include <algorithm>

namespace {

// In the form OwnText::fold() gives the text. English too, as business mail
// writes it.
constexpr QStringView kMentions[] = {
    u"allegato",   u"allegata",  u"allegati",   u"allegate",    u"in allegato",    u"allego",
    u"alleghiamo", u"allegando", u"vi allego",  u"ti allego",   u"trovi allegato", u"trovate allegato",
    u"si allega",  u"attached",  u"attachment", u"attachments",
};

// The word right before a mention that says there is none: "senza allegati",
// "nessun allegato", "non allego", "no attachment".
constexpr QStringView kDenials[] = {u"senza", u"nessun", u"nessuna", u"non", u"no", u"without"};

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

} // namespace

QString AttachmentMention::find(const QString &subject, const QString &body)
{
    if (OwnText::ownSubject(subject))
        if (QString found = inLine(subject); !found.isNull())
            return found;
    for (QStringView line : OwnText::bodyLines(body))
        if (QString found = inLine(line); !found.isNull())
            return found;
    return {};
}

QString AttachmentMention::inLine(QStringView line)
{
    const QString folded = OwnText::fold(line);
    for (qsizetype at = 0; at < folded.size(); ++at) {
        if (!isWordChar(folded[at]) || (at > 0 && isWordChar(folded[at - 1])))
            continue;
        const QStringView found = longestAt(folded, at);
        if (found.isEmpty())
            continue;
        if (!denied(folded, at))
            return found.toString();
        // "non ti allego": the "allego" within is denied too.
        at += found.size() - 1;
    }
    return {};
}

QStringView AttachmentMention::longestAt(const QString &folded, qsizetype at)
{
    const QStringView rest = QStringView(folded).mid(at);
    QStringView longest;
    for (QStringView mention : kMentions) {
        if (mention.size() <= longest.size() || !rest.startsWith(mention))
            continue;
        // "allegatoria" says nothing of an attachment.
        if (mention.size() < rest.size() && isWordChar(rest[mention.size()]))
            continue;
        longest = mention;
    }
    return longest;
}

bool AttachmentMention::denied(const QString &folded, qsizetype at)
{
    const QStringView before = QStringView(folded).first(at);
    if (!before.endsWith(u' '))
        return false;
    const QStringView words = before.chopped(1);
    return std::any_of(std::cbegin(kDenials), std::cend(kDenials), [words](QStringView denial) {
        return words.endsWith(denial)
            && (words.size() == denial.size() || !isWordChar(words[words.size() - denial.size() - 1]));
    });
}
