#include "SpellingMarks.h"

#include "Speller.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>

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
    for (const ProseWords::Span &word : ProseWords::find(line)) {
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

void drawOnLine(QLineEdit *box, const QList<ProseWords::Span> &spans)
{
    // The formats' places count from the cursor.
    const int cursor = box->cursorPosition();
    QList<QInputMethodEvent::Attribute> formats;
    for (const ProseWords::Span &span : spans)
        formats.append({QInputMethodEvent::TextFormat, int(span.start) - cursor, int(span.length), format()});
    QInputMethodEvent marks(QString(), formats);
    QCoreApplication::sendEvent(box, &marks);
}

} // namespace SpellingMarks
