#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>

// The program's arguments: mailto: links, and files to attach.
struct LaunchArguments
{
    QStringList links;
    QList<QUrl> files;

    // The command line as QCoreApplication::arguments() gives it, but
    // byte-exact: where an argument is not UTF-8, each stray byte b becomes
    // the lone surrogate U+DC00 + b (which no UTF-8 text can produce), so
    // that parse() can tell such a name from one that is really written with
    // U+FFFD.
    static QStringList commandLine(int argc, const char *const *argv);

    // An argument beginning with "mailto:" (in any case) is a link. Any other
    // is a file: a URL with a scheme (file: or, to be refused as not local,
    // another) unless a file of that name exists, else a path, taken
    // relative to workingDirectory when not absolute. Stray bytes (see
    // commandLine) go on percent-encoded, for the link's or the file's
    // rules to refuse.
    static LaunchArguments parse(const QStringList &arguments, const QString &workingDirectory);
};
