#pragma once

#include <QString>

class MessageReader;

// The korvane-open module (the message reader: GMime, and GLib's share of it
// that Qt has not loaded already), loaded the first time a message is
// opened and never unloaded: nothing of it is in memory before. It is
// looked for where the transport module is (TransportModule), and refused
// unless its metadata names this very build.
namespace ReaderModule {

// The module's plugin object, loaded now if no one has yet; nullptr when it
// cannot be loaded, with the reason in loadError(). Window thread only.
MessageReader *entry();
QString loadError();

// Where the copies of the messages sent are (the Maildir Inviati), and where
// each opened message's attachments get a folder of their own.
QString sentFolder();
QString attachmentsRoot();

} // namespace ReaderModule
