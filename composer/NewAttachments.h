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

} // namespace NewAttachments
