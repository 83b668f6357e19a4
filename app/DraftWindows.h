#pragma once

#include <QStringList>

// The other drafts a start finds open in windows of their own: the program
// starts itself again, once for each, with the draft's recovery copy named
// in the environment (KORVANE_CLIENT_DRAFT), which only it sets.
namespace DraftWindows {

// The draft this run was started for (empty: none), taken out of the
// environment so that nothing this run starts inherits it.
QString takeOffered();
bool open(const QString &path, const QStringList &arguments);

} // namespace DraftWindows
