#pragma once

#include "BoxSpelling.h"
#include "ProseWords.h"

class QLineEdit;

// Marks the unknown words of a one-line box (SpellingMarks::drawOnLine).
// While an input method is composing in the box, its own formats stay.
class SubjectSpelling : public BoxSpelling
{
    Q_OBJECT

public:
    // Lives as long as box, its parent.
    SubjectSpelling(QLineEdit *box, std::shared_ptr<Speller> speller, std::function<void()> recheck);

    // pos: the box's.
    QMenu *contextMenu(const QPoint &pos) override;

    // The words marked now.
    QList<ProseWords::Span> marked() const { return m_marked; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void mark() override;
    void replace(int position, const QString &word, const QString &text);

    QLineEdit *m_box;
    QList<ProseWords::Span> m_marked;
    QString m_previous;
    bool m_composing = false;
    bool m_sending = false;
};
