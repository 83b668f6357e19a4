#pragma once

#include "AddressItems.h"

#include <QObject>
#include <QTimer>

class AddressChecks;
class QLineEdit;
class QMenu;
class QPoint;

// One address box checked: its finished items that the send would refuse,
// or whose domain does not exist or looks mistyped, carry the spelling's
// red wavy line; the tooltip over one says why, and the box's menu offers
// the domain likely meant first, put in as one edit. Marked again at the
// next turn of the loop after an edit, a move of the cursor, the box left,
// or an answer of the name server.
class AddressBoxCheck : public QObject
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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void mark();
    QString why(const Mark &mark) const;
    const Mark *markAt(qsizetype position) const;
    void fix(const Mark &mark, const QString &typed);

    QLineEdit *m_box;
    AddressChecks &m_checks;
    QTimer m_marking;
    QList<Mark> m_marks;
    bool m_composing = false;
    bool m_sending = false;
};
