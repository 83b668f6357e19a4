#pragma once

#include "common/FieldTable.h"
#include "common/MailFields.h"

#include <QList>
#include <QStringList>

#include <array>
#include <functional>

class QLineEdit;
class QObject;
class QWidget;

// The window's field controls, found by the names the field table gives
// them: read into MailFields and filled from them, row by row.
class FieldBoxes
{
public:
    // form holds the controls ComposerLayout::build made. A row without a
    // control of its shape stops the program here, at its first start.
    explicit FieldBoxes(const QWidget *form);

    // What the window holds now.
    MailFields read() const;
    // The same but for the multi-line text, left empty: reading a body of
    // megabytes takes too long while the user types (BodyMirror keeps it).
    MailFields readOneLiners() const;
    // Fills every control; a text too long for its one-line box leaves that
    // box as it was. Returns the boxes' names (overLong) so left.
    QStringList fill(const MailFields &fields) const;
    // The names, as a screen reader knows them, of the one-line boxes that
    // fields' texts would not fit in.
    QStringList overLong(const MailFields &fields) const;
    // The boxes of the fields that hold addresses, in the table's order.
    QList<QLineEdit *> addressBoxes() const;
    // The control of a text field.
    QWidget *control(QString MailFields::*text) const;
    // Calls edited, in context, on every change of a field's control.
    void watch(QObject *context, const std::function<void()> &edited) const;

private:
    MailFields read(bool withText) const;

    std::array<QWidget *, FieldTable::rows.size()> m_controls{};
};
