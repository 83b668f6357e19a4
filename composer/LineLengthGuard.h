#pragma once

#include <QObject>
#include <QSet>
#include <QStringList>

class HandlerQueue;
class MessageUi;
class QLineEdit;
class QWidget;

// Tells the user why a one-line box refused an edit that would have taken it
// past ComposerLayout::lineBoxLimit (its validator undoes the edit whole), and
// words the other refusals of text too long for a box.
class LineLengthGuard : public QObject
{
    Q_OBJECT

public:
    // Watches the one-line boxes form holds now; form owns this object. A
    // refusal is told once the edit is over, as a handler of handlers.
    LineLengthGuard(QWidget *form, MessageUi &ui, HandlerQueue &handlers);

    // A mailto: link refused because its text for the named boxes is too long.
    static QString linkRefused(const QStringList &boxNames);
    // A message file not opened because its text for the named boxes is too long.
    static QString messageRefused(const QStringList &boxNames);
    // Saved texts left out because they are too long for the named boxes.
    static QString restoreRefused(const QStringList &boxNames);

private:
    void refused(QLineEdit *box);

    MessageUi &m_ui;
    HandlerQueue &m_handlers;
    // Boxes whose refusal is already waiting to be told: a key held down at
    // the limit asks once, not once a repeat.
    QSet<QLineEdit *> m_waiting;
};
