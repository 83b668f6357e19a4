#pragma once

#include "ProseWords.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class QLineEdit;
class QMenu;
class Speller;

// Marks the unknown words of a one-line box. A line edit has no text formats
// of its own, so the marks reach it as an input method's formats, which it
// draws over its text without touching the text, the cursor or undo. While
// an input method is composing in the box, its own formats stay.
class SubjectSpelling : public QObject
{
    Q_OBJECT

public:
    // Lives as long as box, its parent; recheck as BodySpelling's.
    SubjectSpelling(QLineEdit *box, std::shared_ptr<Speller> speller, std::function<void()> recheck);

    // The menu the right button opens at pos (the box's), not yet shown; the
    // caller owns it.
    QMenu *contextMenu(const QPoint &pos);

    // Marks again at the next turn of the event loop.
    void refresh();

    // The words marked now.
    QList<ProseWords::Span> marked() const { return m_marked; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void mark();
    void replace(int position, const QString &word, const QString &text);

    QLineEdit *m_box;
    std::shared_ptr<Speller> m_speller;
    std::function<void()> m_recheck;
    QTimer m_marking;
    QList<ProseWords::Span> m_marked;
    QString m_previous;
    int m_typedAt = -1;
    bool m_composing = false;
    bool m_sending = false;
};
