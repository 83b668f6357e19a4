#include "SpellingMarks.h"

#include "Speller.h"

#include <algorithm>

namespace SpellingMarks {

QList<ProseWords::Span> misspelled(Speller &speller, QStringView line, qsizetype from, qsizetype to,
                                   qsizetype typingAt)
{
    QList<ProseWords::Span> marks;
    for (const ProseWords::Span &word : ProseWords::find(line, from, to)) {
        if (word.start + word.length == typingAt)
            continue;
        if (!speller.isCorrect(line.mid(word.start, word.length).toString()))
            marks.append(word);
    }
    return marks;
}

std::optional<ProseWords::Span> misspelledAt(Speller &speller, QStringView line, qsizetype index)
{
    // The run of text without spaces that index falls in or touches.
    qsizetype from = std::clamp<qsizetype>(index, 0, line.size());
    while (from > 0 && !line[from - 1].isSpace())
        --from;
    qsizetype to = std::clamp<qsizetype>(index, 0, line.size());
    while (to < line.size() && !line[to].isSpace())
        ++to;
    for (const ProseWords::Span &word : ProseWords::find(line, from, to)) {
        if (index < word.start || index > word.start + word.length)
            continue;
        if (!speller.isCorrect(line.mid(word.start, word.length).toString()))
            return word;
    }
    return std::nullopt;
}

QTextCharFormat format()
{
    QTextCharFormat marked;
    marked.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    marked.setUnderlineColor(Qt::red);
    return marked;
}

} // namespace SpellingMarks
