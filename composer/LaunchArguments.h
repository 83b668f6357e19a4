#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>

// The program's arguments: mailto: links, and files to attach.
struct LaunchArguments
{
    QStringList links;
    QList<QUrl> files;

    // An argument beginning with "mailto:" (in any case) is a link. Any other
    // is a file: a URL with a scheme (file: or, to be refused as not local,
    // another) unless a file of that name exists, else a path, taken
    // relative to workingDirectory when not absolute.
    static LaunchArguments parse(const QStringList &arguments, const QString &workingDirectory);
};
