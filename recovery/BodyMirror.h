#pragma once

#include <QObject>
#include <QStringList>

class QTextDocument;

// The body's text exactly as QTextDocument::toPlainText() gives it, kept up
// to date edit by edit, in pieces of a few tens of thousands of characters.
// Reading a document of a few megabytes whole takes tens of milliseconds,
// far too long to do while the user types; so would copying one string that
// long after each snapshot. An edit here copies at most the pieces it
// touches, and a snapshot shares the pieces as they are.
class BodyMirror : public QObject
{
    Q_OBJECT

public:
    explicit BodyMirror(QTextDocument *document);

    // The text now, in order; shared copies, cheap to take and to hand to
    // another thread, which joins them.
    QStringList pieces() const { return m_pieces; }
    // The whole text, joined: as long as reading the document.
    QString text() const { return m_pieces.join(QString()); }

private:
    void follow(int position, int removed, int added);
    void replacePieces(qsizetype first, qsizetype count, const QString &text);
    void reread();

    QTextDocument *m_document;
    QStringList m_pieces; // none empty
    qsizetype m_size = 0;
};
