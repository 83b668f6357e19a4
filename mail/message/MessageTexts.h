#pragma once

#include <QString>

// Every sentence the message room shows the user, each written once, so that
// a reader finds them here and a change is made in one place. Each names the
// attachment as the user typed it.
namespace MessageTexts {

QString attachmentMissing(const QString &path);
QString attachmentIsFolder(const QString &path);
QString attachmentDenied(const QString &path);
QString attachmentNotRegular(const QString &path);
// It could not be opened or read before the send began.
QString attachmentUnreadable(const QString &path);
// Reading it failed once the message was on its way.
QString attachmentUnreadableWhileSent(const QString &path);
QString attachmentChanged(const QString &path);
// The system ran out of open files before all `count` attachments were open.
QString tooManyAttachments(qsizetype count);

// `field` is the box's Italian name, `item` the address as typed.
QString badAddress(const QString &field, const QString &item);
QString noSender();
QString noRecipient();

// What errno said of a file or folder the program makes at path (a copy of
// a message sent, an attachment of a message opened, their folders).
QString diskProblem(const QString &path, int error);

} // namespace MessageTexts
