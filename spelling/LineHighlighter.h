#pragma once

#include "SpellMenu.h"

#include <QList>
#include <QString>

class QMenu;

// What a one-line box's marks are and how one is fixed: given to LineMarks,
// which draws them, as a highlighter is given to a text document.
class LineHighlighter
{
public:
    struct Mark
    {
        qsizetype start = 0;
        qsizetype length = 0;
        QString why; // what the tooltip and a screen reader say of it; may be empty
        friend bool operator==(const Mark &, const Mark &) = default;
    };

    LineHighlighter() = default;
    LineHighlighter(const LineHighlighter &) = delete;
    LineHighlighter &operator=(const LineHighlighter &) = delete;
    virtual ~LineHighlighter() = default;

    // The marks of text that lie in [from, to) or across either end, in
    // order. The piece being typed ends at or holds typing (-1: none) and
    // waits until it is finished.
    virtual QList<Mark> highlight(const QString &text, qsizetype from, qsizetype to, qsizetype typing) = 0;
    // Puts the fix for what stands at index of text above what menu holds;
    // choosing it calls replace.
    virtual void offerFix(QMenu *menu, const QString &text, qsizetype index,
                          const SpellMenu::Replace &replace)
        = 0;
};
