#pragma once

#include <QString>

// Every sentence the message room shows the user, each written once, so that
// a reader finds them here and a change is made in one place. %1, %2 ... are
// filled in by the caller with .arg().
enum class MessageText {
    // %1: the attachment as the user typed it.
    AttachmentMissing,
    AttachmentIsFolder,
    AttachmentDenied,
    AttachmentNotRegular,
    AttachmentUnreadable,          // it could not be opened or read before the send began
    AttachmentUnreadableWhileSent, // reading it failed once the message was on its way
    AttachmentChanged,
    // %1: how many attachments, as an Italian reader writes a count
    // ("1.100"): the system ran out of open files before all were open.
    TooManyAttachments,
    BadAddress, // %1: the box's Italian name, %2: the address as typed
    NoSender,
    NoRecipient,
    // A file or folder the program makes (a copy of a message sent, an
    // attachment of a message opened, their folders). %1: its path, %2: why.
    DiskProblem,
    // Why, from what errno said.
    DiskNotFolder,
    DiskLink,
    DiskDenied,
    DiskFull,
    DiskQuotaExhausted,
    DiskReadOnly,
    DiskInputOutput,
    DiskGone,
    DiskTimedOut,
    DiskSystemError, // %1: errno
};

// The Italian text of id.
QString messageText(MessageText id);
