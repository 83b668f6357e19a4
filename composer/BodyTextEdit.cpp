#include "BodyTextEdit.h"

#include <QMimeData>

namespace {

// The clipboard's data asks the program that copied each time it is read,
// and that program may be gone by the next question: read it once.
QString textOf(const QMimeData *source)
{
    if (!source)
        return {};
    return source->text();
}

} // namespace

BodyTextEdit::BodyTextEdit(QWidget *parent) : QPlainTextEdit(parent) {}

bool BodyTextEdit::canInsertFromMimeData(const QMimeData *source) const { return !textOf(source).isEmpty(); }

void BodyTextEdit::insertFromMimeData(const QMimeData *source)
{
    const QString text = textOf(source);
    if (text.isEmpty())
        return;
    // Only plain text: the box holds nothing else, and a text also offered
    // as markdown (first) would otherwise go in as Qt reads the markdown,
    // without the characters that mark it up.
    QMimeData owned;
    owned.setText(text);
    QPlainTextEdit::insertFromMimeData(&owned);
}
