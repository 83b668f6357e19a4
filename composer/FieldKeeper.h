#pragma once

#include "FieldBoxes.h"
#include "MailFields.h"
#include "RecoveryCopy.h"

#include <QObject>
#include <QScopedValueRollback>

class BodyMirror;
class MessageUi;
class QPlainTextEdit;
class QWidget;
class SettingsStore;

// Keeps the window's fields: brings back the stored ones, follows the
// user's edits into the recovery copy, and keeps the draft once, as the
// window closes (RecoveryCopy says where).
class FieldKeeper : public QObject
{
    Q_OBJECT

public:
    // form holds the controls ComposerLayout::build made; the dialogs and the
    // settings store outlive the keeper.
    FieldKeeper(QWidget *form, MessageUi &ui, SettingsStore &store);

    MailFields fields() const { return m_boxes.read(); }
    // Fills the boxes as the program's own doing, not an edit. A text too
    // long for its box leaves the box as it was, and the user is told.
    void setFields(const MailFields &fields);
    QStringList overLongBoxes(const MailFields &fields) const { return m_boxes.overLong(fields); }
    QList<QLineEdit *> addressBoxes() const { return m_boxes.addressBoxes(); }

    // The stored fields into the boxes; start-up calls it once.
    void restore();
    // From now on every change to a box is the user's (typing, pasting,
    // dropping files), kept in the recovery copy when the settings have a
    // file. body is the window's body box.
    void watchEdits(QPlainTextEdit *body);
    // While the returned guard lives the program itself fills the boxes.
    [[nodiscard]] QScopedValueRollback<bool> filling() { return QScopedValueRollback<bool>(m_filling, true); }
    // The drafts windows that did not close left (RecoveryCopy::recover).
    RecoveryCopy::Recovered recover();
    // The draft another start offered this window; what the user is told of it.
    QString recoverOffered(const QString &path);
    // The window was opened from a mailto: link: its draft is its own, never
    // the settings', and is kept once the user touched it.
    void setFromLink(bool fromLink);
    // A send starts: it counts as an edit.
    void touch()
    {
        m_touched = true;
        m_editsAtSend = m_edits;
    }
    // The send that started last was delivered: unchanged since, the
    // window's copy is no draft.
    void delivered();
    // The window closed: nothing is kept or told any more.
    bool closed() const { return m_closed; }
    // Keeps the fields for the next start, once, as the window closes; a
    // failure is told.
    void close();

private:
    void edited();

    FieldBoxes m_boxes;
    MessageUi &m_ui;
    SettingsStore &m_store;
    bool m_filling = false;
    bool m_fromLink = false;
    bool m_offered = false; // opened for a draft another start left
    bool m_touched = false; // edited or sent since start-up
    int m_edits = 0;
    int m_editsAtSend = -1;
    MailFields m_loaded; // the settings as stored when the window loaded them
    bool m_closed = false;
    RecoveryCopy *m_recovery = nullptr; // null for a store without a file
};
