#include "DiskProblem.h"

#include "MessageTexts.h"

#include <cerrno>

namespace {

QString why(int error)
{
    switch (error) {
    case ENOTDIR:
        return messageText(MessageText::DiskNotFolder);
    case ELOOP:
        return messageText(MessageText::DiskLink);
    case EACCES:
    case EPERM:
        return messageText(MessageText::DiskDenied);
    case ENOSPC:
        return messageText(MessageText::DiskFull);
    case EDQUOT:
        return messageText(MessageText::DiskQuotaExhausted);
    case EROFS:
        return messageText(MessageText::DiskReadOnly);
    case EIO:
        return messageText(MessageText::DiskInputOutput);
    case ENOENT:
        return messageText(MessageText::DiskGone);
    case ETIMEDOUT:
        return messageText(MessageText::DiskTimedOut);
    default:
        return messageText(MessageText::DiskSystemError).arg(error);
    }
}

} // namespace

QString diskProblem(const QString &path, int error)
{
    return messageText(MessageText::DiskProblem).arg(path, why(error));
}
