#pragma once

#include <QStringList>
#include <QStringView>

// The "Attachments" text is a list of file paths separated by ';'. Each item
// is trimmed of surrounding white space (spaces inside a path are kept) and
// empty items are dropped, so "a.pdf; ;b c.txt;" names "a.pdf" and "b c.txt".
// A ';' cannot be part of a path. The window reads its Allegati box and the
// component the text it is given by this one rule.
inline QStringList parseAttachmentList(const QString &text)
{
    QStringList paths;
    for (QStringView item : QStringView(text).split(u';')) {
        const QStringView path = item.trimmed();
        if (!path.isEmpty())
            paths << path.toString();
    }
    return paths;
}
