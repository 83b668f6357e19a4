#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class QMenu;
class QPlainTextEdit;
class Speller;

// Marks the unknown words of a text box as red wavy underlines, as extra
// selections over the part on screen: a long text costs only the lines in
// view, checked again after each change or scroll, never the whole text.
// The right button on a marked word opens the menu with its replacements.
class BodySpelling : public QObject
{
    Q_OBJECT

public:
    // Lives as long as body, its parent. recheck is called after the user
    // accepted a word, so that every checked box can drop its marks.
    BodySpelling(QPlainTextEdit *body, std::shared_ptr<Speller> speller, std::function<void()> recheck);

    // The menu the right button opens at pos (the viewport's), not yet
    // shown; the caller owns it.
    QMenu *contextMenu(const QPoint &pos);

    // Marks again at the next turn of the event loop.
    void refresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void noteChange(int position, int removed, int added);
    void mark();
    void replace(int position, const QString &word, const QString &text);

    QPlainTextEdit *m_body;
    std::shared_ptr<Speller> m_speller;
    std::function<void()> m_recheck;
    QTimer m_marking;
    int m_typedAt = -1; // the position after a letter just typed
};
