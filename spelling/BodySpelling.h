#pragma once

#include "BoxSpelling.h"

class QPlainTextEdit;

// Marks the unknown words of a text box as red wavy underlines, as extra
// selections over the part on screen: a long text costs only the lines in
// view, checked again after each change or scroll, never the whole text.
// The right button on a marked word opens the menu with its replacements.
class BodySpelling : public BoxSpelling
{
    Q_OBJECT

public:
    // Lives as long as body, its parent.
    BodySpelling(QPlainTextEdit *body, std::shared_ptr<Speller> speller, std::function<void()> recheck);

    // pos: the viewport's.
    QMenu *contextMenu(const QPoint &pos) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void mark() override;
    void noteChange(int position, int removed, int added);
    void replace(int position, const QString &word, const QString &text);

    QPlainTextEdit *m_body;
};
