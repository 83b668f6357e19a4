#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

// Files offered for the Allegati box (dropped, chosen in a dialog or named on
// the command line), checked and written the way the box lists them.
namespace NewAttachments {

struct Result
{
    QString text;        // the box's new text
    QStringList refused; // one Italian line per file that cannot be attached
};

// Appends the local paths of files to current, separated by "; ", skipping
// a path already listed. Only existing regular files of this machine (a
// file: URL with no host or "localhost") whose name is UTF-8 text and whose
// path the list can hold (no ';', no control character, no trailing space)
// are taken; if any is refused, text is current unchanged and refused says
// why for each.
Result append(const QString &current, const QList<QUrl> &files);

// The URL of a file a dialog returned by name. A dialog shows a name that is
// not UTF-8 with U+FFFD for its stray bytes and returns it so, which may name
// another file: when the folder holds such a name that decodes to path's,
// the URL carries that name's bytes, for append() to refuse.
QUrl chosenFile(const QString &path);

} // namespace NewAttachments
