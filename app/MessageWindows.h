#pragma once

#include <QString>
#include <QStringList>

// A message file opened while the window holds a message being written opens
// in a window of its own: the program starts itself again with the file.
namespace MessageWindows {

// Starts the program again for the message at path, after arguments.
bool open(const QString &path, const QStringList &arguments);

} // namespace MessageWindows
