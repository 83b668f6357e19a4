#pragma once

#include "common/MailFields.h"

#include <QList>
#include <QString>

// Something in a message about to go that looks like a slip: the line that
// tells the user, and the field to go back to.
struct SendDoubt
{
    QString line;
    QString MailFields::*field = nullptr;

    bool operator==(const SendDoubt &) const = default;
};

// Everything doubtful in fields, in the order the user is told it; empty when
// the message can go without a question.
QList<SendDoubt> sendDoubts(const MailFields &fields);
