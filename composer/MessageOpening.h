#pragma once

#include <QObject>
#include <QString>

#include <functional>

class FieldKeeper;
struct OpenedMessage;
class HandlerQueue;
class MessageUi;
class QWidget;

// Message files opened again as new drafts (a copy in Inviati, or any
// message a user saved or received): named on the command line, dropped on
// the window, or chosen through "Apri un messaggio…" in the body's menu. The
// reader (GMime, in a module of its own) is loaded the first time. A window
// that holds a message being written is never overwritten: the file opens in
// a window of its own, as a mailto: link does.
class MessageOpening : public QObject
{
    Q_OBJECT

public:
    // Opens a window of its own (another start of the program) for the message at path.
    using WindowOpener = std::function<void(const QString &path)>;

    // All of them outlive this object, which window owns.
    MessageOpening(FieldKeeper &fields, MessageUi &ui, HandlerQueue &handlers, QWidget *window);

    void setWindowOpener(WindowOpener open) { m_openWindow = std::move(open); }

    // Whether path names a message rather than a file to attach: a ".eml"
    // file, or one that begins as a message does (the copies in Inviati have
    // no extension). Nothing that could block is opened to look.
    static bool isMessageFile(const QString &path);

    // Fills this window with the message at path once it is read, off the
    // window's thread, or a message box says why not and nothing changes.
    // Start-up's way, as a link fills it; a file that comes while one is
    // read, or after the window was typed into meanwhile, goes to a window
    // of its own.
    void openHere(const QString &path);
    // As a handler: here when the window holds nothing of a message being
    // written (recipients, subject, body, attachments), else in a window of
    // its own.
    void open(const QString &path);
    // As a handler: the file chooser, opening at Inviati/cur.
    void choose();

private:
    bool holdsMessage() const;
    void tell(const QString &text);
    void openElsewhere(const QString &path);
    void fill(const OpenedMessage &opened);
    static void removeFolder(const OpenedMessage &opened);

    FieldKeeper &m_fields;
    MessageUi &m_ui;
    HandlerQueue &m_handlers;
    WindowOpener m_openWindow;
    bool m_reading = false;
};
