#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

#include <functional>

class HandlerQueue;
class MessageUi;
class QContextMenuEvent;
class QDropEvent;
class QLineEdit;
class QMimeData;
class QWidget;

// The ways into the Allegati box besides typing: files dropped on it or
// anywhere on the window, and "Aggiungi allegati…" at the top of its context
// menu (mouse, menu key or Shift+F10: MenuKey), which opens a file chooser. A
// message file dropped anywhere but on the box goes to the message opener instead.
class AttachmentField : public QObject
{
    Q_OBJECT

public:
    // Watches window and the controls it holds now. box (a child of window),
    // ui and handlers must outlive this object, which window owns.
    AttachmentField(QLineEdit *box, QWidget *window, MessageUi &ui, HandlerQueue &handlers);

    // Appends files to the box, as a window handler, by the rules of
    // NewAttachments::append. When one is refused, a message box lists why
    // and the box is left as it was.
    void add(const QList<QUrl> &files);
    // Where the message files dropped go (MessageOpening::isMessageFile);
    // without it they are attached like any file.
    void setMessageOpener(std::function<void(const QString &path)> open) { m_openMessage = std::move(open); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool takesDrop(const QObject *watched, const QMimeData *data) const;
    void showMenu(const QContextMenuEvent *event);
    void chooseFiles();
    void addNow(const QList<QUrl> &files);
    void dropped(const QList<QUrl> &files, bool onBox);
    QString startDirectory() const;

    QLineEdit *m_box;
    QWidget *m_window;
    MessageUi &m_ui;
    HandlerQueue &m_handlers;
    std::function<void(const QString &path)> m_openMessage;
};
