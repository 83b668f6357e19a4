#pragma once

#include "Priorities.h"

#include <QString>

// What the composer keeps between runs, apart from any widget: the texts of
// its boxes and the index of the selected priority.
struct FormFields
{
    QString server;
    QString sender;
    QString recipient;
    QString cc;
    QString bcc;
    QString attachments;
    QString subject;
    QString body;
    int priorityIndex = defaultPriorityIndex;

    bool operator==(const FormFields &) const = default;
};
