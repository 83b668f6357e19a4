#pragma once

#include "common/MailFields.h"

#include <QString>

// A snapshot of the component's properties, taken by Send(), so the worker
// never reads anything the window may change meanwhile: the message's fields
// and what the send needs besides them.
struct MailRequest : MailFields
{
    QString clientName;
    QString username;
    QString password;

    QString caFile;
    int connectTimeoutMs = 30000;
    int stallTimeoutMs = 60000;
    // Tried when the server field names no port; tests put their own here.
    quint16 plainPort = 25;
    quint16 submissionPort = 587;
    quint16 implicitTlsPort = 465;
};
