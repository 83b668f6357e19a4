#pragma once

#include "addresses/AddressItems.h"
#include "spelling/LineHighlighter.h"

#include <QObject>

class AddressChecks;
class LineMarks;
class QLineEdit;
class QMenu;
class QPoint;

// One address box checked: its finished items that the send would refuse,
// or whose domain does not exist or looks mistyped, are marked (LineMarks:
// the spelling's red wavy line, the tooltip and the accessible description
// saying why), and the box's menu offers the domain likely meant first, put
// in as one edit. Marked again after an edit, a move of the cursor, the box
// left, or an answer of the name server; only the items around the part in
// view are read and judged.
class AddressBoxCheck : public QObject, public LineHighlighter
{
    Q_OBJECT

public:
    struct Mark
    {
        AddressItems::Item item;
        AddressItems::Finding finding;
        QString why; // the tooltip
    };

    // box and checks outlive it, a child of box.
    AddressBoxCheck(QLineEdit *box, AddressChecks &checks);

    QLineEdit *box() const { return m_box; }
    const QList<Mark> &marks() const { return m_marks; }
    // The menu the right button opens at pos, not yet shown; the caller owns it.
    QMenu *contextMenu(const QPoint &pos);

    QList<LineHighlighter::Mark> highlight(const QString &text, qsizetype from, qsizetype to,
                                           qsizetype typing) override;
    void offerFix(QMenu *menu, const QString &text, qsizetype index,
                  const SpellMenu::Replace &replace) override;

private:
    QString why(const Mark &mark, const QString &text) const;

    QLineEdit *m_box;
    AddressChecks &m_checks;
    QList<Mark> m_marks;
    LineMarks *m_lineMarks;
};
