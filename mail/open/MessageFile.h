#pragma once

#include "MessageReader.h"

// A message file read with GMime into the fields of a new draft: checked
// against MessageBounds first, parsed from the file itself (the parts stay
// where they are in it, never copied whole into memory), then walked
// (MimeWalk). Nothing it made is left on disk when it fails.
namespace MessageFile {

// What MessageReader::open() promises; GMime is set up on first use.
OpenedMessage read(const QString &path, const QString &attachmentsRoot);

} // namespace MessageFile
