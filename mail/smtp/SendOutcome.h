#pragma once

#include <QString>

// Numbers the component reports for failures found before connecting. Any
// other number is the SMTP reply code of a refusal (4xx, 5xx) or, for a
// transport failure, libcurl's error code.
enum class SendError : qint16 {
    ServerInvalid = 1001,
    SenderInvalid = 1002,
    RecipientInvalid = 1003,
    NoRecipient = 1004,
    AttachmentProblem = 1005,
    ControlCharacter = 1006,
    NoAuthOffered = 1007,
    AlreadySending = 1008,
    Internal = 1009,
};

struct SendOutcome
{
    qint16 number = 0; // 0: sent
    QString description;
    // No server greeted: nothing of the send was said, so it may go to
    // another port.
    bool unreached = false;
    // Sent, but no copy was kept among the messages sent: why.
    QString copyProblem{};

    bool ok() const { return number == 0; }
    static SendOutcome failure(SendError e, const QString &text) { return {qint16(e), text}; }
};
