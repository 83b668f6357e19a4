#include "AttachmentMention.h"

#include <QList>

namespace {

// Lower case, unaccented, a phrase's words one space apart: the form that
// fold() gives the text. English too, as business mail writes it.
constexpr QStringView kMentions[] = {
    u"allegato",   u"allegata",  u"allegati",   u"allegate",    u"in allegato",    u"allego",
    u"alleghiamo", u"allegando", u"vi allego",  u"ti allego",   u"trovi allegato", u"trovate allegato",
    u"si allega",  u"attached",  u"attachment", u"attachments",
};

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

bool isQuoted(QStringView line) { return line.trimmed().startsWith(u'>'); }

} // namespace

QString AttachmentMention::find(const QString &subject, const QString &body)
{
    const QString inSubject = inText(subject);
    return inSubject.isNull() ? inText(body) : inSubject;
}

QString AttachmentMention::inText(const QString &text)
{
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (isQuoted(line))
            continue;
        QString found = inLine(line);
        if (!found.isNull())
            return found;
    }
    return {};
}

QString AttachmentMention::inLine(QStringView line)
{
    const QString folded = fold(line);
    for (qsizetype at = 0; at < folded.size(); ++at) {
        if (!isWordChar(folded[at]) || (at > 0 && isWordChar(folded[at - 1])))
            continue;
        const QStringView found = longestAt(folded, at);
        if (!found.isEmpty())
            return found.toString();
    }
    return {};
}

// Accents come off as the decomposition's marks: "allegàto" is "allegato",
// as whoever typed it meant.
QString AttachmentMention::fold(QStringView line)
{
    QString bare = line.toString().normalized(QString::NormalizationForm_D);
    bare.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    return bare.toCaseFolded().simplified();
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
