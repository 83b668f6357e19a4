#pragma once

#include "common/FileDescriptor.h"

#include <QByteArrayList>
#include <QString>

// The folder of one opened message's attachments, a new one in root (the
// program's data folder's Allegati), made owner-only when the first
// attachment comes. Every file is made in it, under a name made safe,
// never through a link and never over another file; unless kept, they all
// go again with the folder.
class DraftFolder
{
public:
    explicit DraftFolder(QString root) : m_root(std::move(root)) {}
    ~DraftFolder();
    DraftFolder(const DraftFolder &) = delete;
    DraftFolder &operator=(const DraftFolder &) = delete;

    struct NewFile
    {
        FileDescriptor fd; // not valid when it could not be made: problem()
        QString path;
    };
    // A new, empty file for the attachment the message names name.
    NewFile add(const QString &name);
    // Everything made stays.
    void keep() { m_kept = true; }
    // The folder; empty while nothing was made.
    QString path() const { return m_path; }
    // Why a folder or file could not be made or written, in Italian, naming it.
    QString problem() const { return m_problem; }
    // Notes that what is at path could not be made or written, errno
    // saying why; false.
    bool fail(const QString &path);

    // name as a file of the folder: its last path element, without control
    // or format characters, ';' (which separates the Allegati list),
    // leading dots or spaces around it, cut to 200 bytes with its extension
    // kept; "allegato" when nothing is left.
    static QString safeName(const QString &name);

private:
    bool makeFolder();

    QString m_root;
    QString m_path;
    QString m_problem;
    FileDescriptor m_parent;
    FileDescriptor m_folder;
    QByteArray m_folderName;
    QByteArrayList m_made;
    bool m_kept = false;
};
