#include "AttachmentList.h"

QStringList parseAttachmentList(const QString &text)
{
    QStringList paths;
    const auto items = QStringView(text).split(u';');
    for (QStringView item : items) {
        const QStringView path = item.trimmed();
        if (!path.isEmpty())
            paths << path.toString();
    }
    return paths;
}
