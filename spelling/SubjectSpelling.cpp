#include "SubjectSpelling.h"

#include "LineMarks.h"
#include "SpellingMarks.h"

#include <QLineEdit>

SubjectSpelling::SubjectSpelling(QLineEdit *box, std::shared_ptr<Speller> speller,
                                 std::function<void()> recheck)
    : QObject(box), m_speller(std::move(speller)), m_recheck(std::move(recheck)),
      m_marks(new LineMarks(box, *this))
{}

QMenu *SubjectSpelling::contextMenu(const QPoint &pos) { return m_marks->contextMenu(pos); }

void SubjectSpelling::refresh() { m_marks->refresh(); }

QList<ProseWords::Span> SubjectSpelling::marked() const
{
    QList<ProseWords::Span> words;
    for (const Mark &mark : m_marks->marks())
        words.append({mark.start, mark.length});
    return words;
}

QList<LineHighlighter::Mark> SubjectSpelling::highlight(const QString &text, qsizetype from, qsizetype to,
                                                        qsizetype typing)
{
    QList<Mark> marks;
    for (const ProseWords::Span &word : SpellingMarks::misspelled(*m_speller, text, from, to, typing))
        marks.append({word.start, word.length, {}});
    return marks;
}

void SubjectSpelling::offerFix(QMenu *menu, const QString &text, qsizetype index,
                               const SpellMenu::Replace &replace)
{
    SpellMenu::offer(menu, *m_speller, text, index, replace, m_recheck);
}
