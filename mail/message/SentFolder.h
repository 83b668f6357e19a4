#pragma once

#include "common/FileDescriptor.h"

#include <QByteArray>
#include <QString>

// The Maildir "Inviati" in the program's data folder
// ($XDG_DATA_HOME/korvane-client), where a copy of every message the server
// accepted is kept, so that any mail program opens them as they are: tmp/
// while a copy is written, cur/ once kept. The program makes Inviati and its
// three folders itself, owner-only, and reaches them through no link.
namespace SentFolder {

// Where the Maildir is (made or not).
QString path();

// The Maildir's tmp/ and cur/, opened, made where missing; or why not, in
// Italian (folder names the one that failed).
struct Opened
{
    FileDescriptor tmp;
    FileDescriptor cur;
    QString problem;
};
Opened open(const QString &maildir);

// A file name no other copy takes, here or in another process or on another
// machine sharing the folder (the Maildir rules: time, process, a counter,
// random bits and the host name).
QByteArray uniqueName();

// Why errno stopped a look at, or a write to, what is at path; Italian.
QString reason(int error, const QString &path);

// Removes what a crash left in tmp/ (a copy never kept) once it is older
// than 36 hours, as the Maildir rules say; links and folders there are left
// alone. Nothing when the folder is missing.
void sweep(const QString &maildir);

} // namespace SentFolder
