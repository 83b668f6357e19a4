#include "ProseWords.h"

namespace ProseWords {
namespace {

bool isApostrophe(QChar c) { return c == u'\'' || c == u'\u2019'; }
bool isWordCharacter(QChar c) { return c.isLetterOrNumber() || c.isMark(); }

bool isQuoted(QStringView line)
{
    for (const QChar c : line) {
        if (c == u'>')
            return true;
        if (!c.isSpace())
            return false;
    }
    return false;
}

// A run of text between spaces that is an address, a link or a path.
bool isNotProse(QStringView chunk)
{
    for (const QChar c : {u'@', u'/', u'\\', u'_'}) {
        if (chunk.contains(c))
            return true;
    }
    for (qsizetype i = 1; i + 1 < chunk.size(); ++i) {
        if (chunk[i] == u'.' && isWordCharacter(chunk[i - 1]) && isWordCharacter(chunk[i + 1]))
            return true;
    }
    return false;
}

// An abbreviation is in capitals after any elision: "l'ONU" too.
bool isProseWord(QStringView word)
{
    int letters = 0;
    bool lower = false;
    for (const QChar c : word) {
        if (c.isDigit())
            return false;
        if (isApostrophe(c)) {
            letters = 0;
            lower = false;
        } else if (c.isLetter()) {
            ++letters;
            lower = lower || !c.isUpper();
        }
    }
    return lower || letters < 2;
}

// The words of one chunk, at offset in the line.
void addWords(QStringView chunk, qsizetype offset, QList<Span> &words)
{
    qsizetype i = 0;
    while (i < chunk.size()) {
        if (!isWordCharacter(chunk[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < chunk.size()
               && (isWordCharacter(chunk[i])
                   || (isApostrophe(chunk[i]) && i + 1 < chunk.size() && isWordCharacter(chunk[i + 1]))))
            ++i;
        if (isProseWord(chunk.mid(start, i - start)))
            words.append({offset + start, i - start});
    }
}

} // namespace

QList<Span> find(QStringView line, qsizetype from, qsizetype to)
{
    if (to < 0 || to > line.size())
        to = line.size();
    QList<Span> words;
    if (isQuoted(line))
        return words;
    // A chunk cut by either end is not known whole, so it is left out.
    qsizetype i = from;
    if (i > 0 && !line[i - 1].isSpace())
        while (i < to && !line[i].isSpace())
            ++i;
    while (i < to) {
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < line.size() && !line[i].isSpace())
            ++i;
        if (i > to)
            break;
        const QStringView chunk = line.mid(start, i - start);
        if (!isNotProse(chunk))
            addWords(chunk, start, words);
    }
    return words;
}

QString dictionaryForm(QStringView word)
{
    QString form = word.toString();
    form.replace(u'\u2019', u'\'');
    return form;
}

} // namespace ProseWords
