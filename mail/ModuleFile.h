#pragma once

#include <QString>
#include <QStringList>

class QObject;

// What the program's two modules (the transport, the message reader) share:
// where they are looked for, and how one of another build is refused.
namespace ModuleFile {

struct Opened
{
    QObject *instance = nullptr; // the module's plugin object
    QString error;               // why there is none
};

// The module at path, unless its metadata names another interface than iid,
// another version or another build than build.
Opened open(const QString &path, const char *iid, const char *build);

// The first module named fileName in folders, in order, that is this build's:
// one refused (of another build, no module at all) does not end the search.
// Without one, the first refusal's reason, or an empty one when no folder
// holds the file. Relative folders are passed over.
Opened search(const QStringList &folders, const QString &fileName, const char *iid, const char *build);

// The folders the loader would search for a library of the program: its run
// path (the build tree's) among them.
QStringList librarySearchPath();

} // namespace ModuleFile
