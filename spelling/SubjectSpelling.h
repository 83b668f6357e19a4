#pragma once

#include "LineHighlighter.h"
#include "ProseWords.h"

#include <QObject>

#include <functional>
#include <memory>

class LineMarks;
class QLineEdit;
class QMenu;
class QPoint;
class Speller;

// The unknown words of a one-line box, drawn by LineMarks, with their
// replacements first in its menu.
class SubjectSpelling : public QObject, public LineHighlighter
{
    Q_OBJECT

public:
    // Lives as long as box, its parent. recheck is called after the user
    // accepted a word, so that every checked box can drop its marks.
    SubjectSpelling(QLineEdit *box, std::shared_ptr<Speller> speller, std::function<void()> recheck);

    // pos: the box's. The menu is not yet shown; the caller owns it.
    QMenu *contextMenu(const QPoint &pos);
    // Marks again at the next turn of the event loop.
    void refresh();

    // The words marked now.
    QList<ProseWords::Span> marked() const;

    QList<Mark> highlight(const QString &text, qsizetype from, qsizetype to, qsizetype typing) override;
    void offerFix(QMenu *menu, const QString &text, qsizetype index,
                  const SpellMenu::Replace &replace) override;

private:
    std::shared_ptr<Speller> m_speller;
    std::function<void()> m_recheck;
    LineMarks *m_marks;
};
