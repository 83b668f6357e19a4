#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class QMenu;
class QPoint;
class QWidget;
class Speller;

// What the body's check is built on: the speller, the marks made again at
// the next turn of the event loop after whatever asked for them, the word
// being typed, and the menu shown as Qt shows a box's own. The one-line boxes
// have theirs from LineMarks.
class BoxSpelling : public QObject
{
    Q_OBJECT

public:
    // Lives as long as box, its parent. recheck is called after the user
    // accepted a word, so that every checked box can drop its marks.
    BoxSpelling(QWidget *box, std::shared_ptr<Speller> speller, std::function<void()> recheck);

    // The menu the right button opens at pos, not yet shown; the caller owns it.
    virtual QMenu *contextMenu(const QPoint &pos) = 0;

    // Marks again at the next turn of the event loop.
    void refresh() { m_marking.start(); }

protected:
    virtual void mark() = 0;
    // Shows contextMenu(pos) at globalPos, without an event loop of its own.
    void showMenu(const QPoint &pos, const QPoint &globalPos);

    Speller &speller() const { return *m_speller; }
    const std::function<void()> &recheck() const { return m_recheck; }

    // The text changed; oneAdded: by the one character added, which ends at
    // end. A letter, digit or mark so added makes a word being typed.
    void textChanged(bool oneAdded, QChar added, int end);
    // The cursor is at position now: anywhere but the end of the word being
    // typed, that word is finished.
    void cursorMoved(int position);
    // Where the word being typed ends, or -1: that word waits until it is
    // finished.
    int typedAt() const { return m_typedAt; }

private:
    int m_typedAt = -1;
    std::shared_ptr<Speller> m_speller;
    std::function<void()> m_recheck;
    QTimer m_marking;
};
