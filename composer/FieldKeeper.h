#pragma once

#include "FieldBoxes.h"
#include "common/MailFields.h"
#include "recovery/RecoveryCopy.h"

#include <QObject>
#include <QScopedValueRollback>

class MessageUi;
class QPlainTextEdit;
class QWidget;
class SettingsStore;

// The window's fields in their boxes: filled as the program's own doing,
// read, and followed as the user edits them into the window's draft, which
// RecoveryCopy keeps.
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
    QWidget *box(QString MailFields::*text) const { return m_boxes.control(text); }
    // While the returned guard lives the program itself fills the boxes.
    [[nodiscard]] QScopedValueRollback<bool> filling() { return QScopedValueRollback<bool>(m_filling, true); }

    // The stored fields into the boxes; start-up calls it once.
    void restore() { setFields(m_draft.load(fields())); }
    // From now on every change to a box is the user's (typing, pasting,
    // dropping files). body is the window's body box.
    void watchEdits(QPlainTextEdit *body);
    // The window's draft: what comes back, and where it is kept.
    RecoveryCopy &draft() { return m_draft; }
    // The window closed: nothing is kept or told any more.
    bool closed() const { return m_draft.closed(); }
    // Keeps the draft once, as the window closes; a failure is told.
    void close();

private:
    FieldBoxes m_boxes;
    MessageUi &m_ui;
    bool m_filling = false;
    RecoveryCopy m_draft;
};
