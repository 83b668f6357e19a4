#pragma once

#include "Priorities.h"

#include <QString>

// The message as the user writes it: what the window shows, the settings and
// the recovery copy keep, a mailto: link fills and the component sends.
// FieldTable.h says how each member travels; a member belongs in both.
struct MailFields
{
    QString server;
    QString sender;
    QString recipient;
    QString cc;
    QString bcc;
    QString attachments;
    QString subject;
    QString body;
    int priorityIndex = defaultPriorityIndex; // into priorities

    bool operator==(const MailFields &) const = default;
};
