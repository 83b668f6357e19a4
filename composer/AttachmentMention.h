#pragma once

#include <QString>
#include <QStringView>

// Whether the user's own words in this message (OwnText) speak of an
// attachment: a word or phrase of one table, matched as whole words, whatever
// the case and the accents, with any run of spaces between a phrase's words;
// not where a word of another table denies it ("senza allegati").
class AttachmentMention
{
public:
    // The table's form of the first mention, in the subject and then in the
    // body; the longest one where several start at the same word. Null when
    // neither speaks of an attachment.
    static QString find(const QString &subject, const QString &body);

private:
    static QString inLine(QStringView line);
    static QStringView longestAt(const QString &folded, qsizetype at);
    static bool denied(const QString &folded, qsizetype at);
};
