#pragma once

#include "mail/open/MessageReader.h"

#include <QString>

#include <functional>
#include <optional>

class QObject;

// The korvane-open module (the message reader: GMime, and GLib's share of it
// that Qt has not loaded already), loaded the first time a message is
// opened and never unloaded: nothing of it is in memory before. It is
// looked for where the transport module is (TransportModule), and refused
// unless its metadata names this very build.
namespace ReaderModule {

// The module's plugin object, loaded now if no one has yet; nullptr when it
// cannot be loaded, with the reason in loadError().
MessageReader *entry();
QString loadError();

// Reads the message at path on a thread of its own (a message may be as
// large as the reader takes, its attachments written out as they are read),
// the module loaded there the first time; then has what was read, on
// receiver's thread, or nullopt without the module (loadError() says why).
// Nothing reaches a receiver that has gone. One read at a time; the
// application's end waits for one under way, three seconds at most.
void read(QObject *receiver, const QString &path, std::function<void(std::optional<OpenedMessage>)> then);

// Where the copies of the messages sent are (the Maildir Inviati), and where
// each opened message's attachments get a folder of their own.
QString sentFolder();
QString attachmentsRoot();

} // namespace ReaderModule
