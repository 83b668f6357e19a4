#pragma once

#include <QObject>
#include <QStringList>

class QTextDocument;

// The body's text as QTextDocument::toPlainText() gives it, followed edit by
// edit in pieces of a few tens of thousands of characters. Reading a
// document of megabytes whole takes tens of milliseconds, far too long while
// the user types; an edit here copies only the pieces it touches, and a
// snapshot shares them as they are, for another thread to join.
class BodyMirror : public QObject
{
    Q_OBJECT

public:
    explicit BodyMirror(QTextDocument *document);

    QStringList pieces() const { return m_pieces; }
    QString text() const { return m_pieces.join(QString()); }

private:
    void follow(int position, int removed, int added);
    void replacePieces(qsizetype first, qsizetype count, const QString &text);
    void reread();

    QTextDocument *m_document;
    QStringList m_pieces; // none empty
    qsizetype m_size = 0;
};
