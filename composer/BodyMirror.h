#pragma once

#include <QObject>
#include <QString>

class QTextDocument;

// The body's text exactly as QTextDocument::toPlainText() gives it, kept up
// to date edit by edit. Reading a document of a few megabytes whole takes
// tens of milliseconds, far too long to do while the user types; following
// each edit costs about one move of the text after it.
class BodyMirror : public QObject
{
    Q_OBJECT

public:
    explicit BodyMirror(QTextDocument *document);

    // The text now; a shared copy, cheap to take and to hand to a thread.
    QString text() const { return m_text; }

private:
    void follow(int position, int removed, int added);
    void reread();

    QTextDocument *m_document;
    QString m_text;
};
