#pragma once

#include "LineHighlighter.h"

#include <QMenu>
#include <QObject>
#include <QPointer>

#include <optional>

class QLineEdit;
class QPoint;

// Decorates a one-line box with what a highlighter marks: the red wavy
// line, the tooltip and the box's accessible description saying why, and
// the fix first in the box's menu, whether the right button, the menu key
// or Shift+F10 opens it. The piece being typed (a character just typed
// before the cursor) waits until the cursor leaves it, the box is left or
// its menu opens; an input method's own formats stay while it composes.
//
// A key costs what is on screen, never the whole text: the highlighter is
// asked about the part in view and a box's width on either side, and the
// marks are drawn again only when they change, each time costing the box
// one more layout of its text.
class LineMarks : public QObject
{
    Q_OBJECT

public:
    // box and highlighter outlive the marks, a child of box.
    LineMarks(QLineEdit *box, LineHighlighter &highlighter);

    // The marks shown now.
    const QList<LineHighlighter::Mark> &marks() const { return m_marks; }
    // The menu the right button opens at pos, not yet shown; the caller owns it.
    QMenu *contextMenu(const QPoint &pos);
    // Marks again at the next turn of the event loop, before the box is painted.
    void refresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void textChanged(const QString &text);
    void cursorMoved(int position);
    void mark();
    std::pair<qsizetype, qsizetype> inView() const;
    void draw();
    void describe();
    QMenu *menuAt(qsizetype index, bool keyboard);
    bool offerFix(QMenu *menu, qsizetype index, bool keyboard);
    void replace(int start, const QString &was, const QString &with);
    const LineHighlighter::Mark *markAt(qsizetype position) const;

    QLineEdit *m_box;
    LineHighlighter &m_highlighter;
    QList<LineHighlighter::Mark> m_marks;
    std::optional<QList<std::pair<qsizetype, qsizetype>>> m_drawn; // none: not known
    QString m_description;                                         // the box's own
    QPointer<QMenu> m_waiting;                                     // its menu, open without a fix yet
    qsizetype m_waitingAt = -1;
    bool m_waitingKeyboard = false;
    qsizetype m_size = 0;
    qsizetype m_typedAt = -1;
    bool m_pending = false;
    bool m_composing = false;
    bool m_sending = false;
};
