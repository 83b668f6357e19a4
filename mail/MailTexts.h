#pragma once

#include <QString>

// Every sentence the mail component itself (not its SMTP transport) shows
// the user, each written once; the address fields' sentences belong to the
// message room (MessageTexts). %1, %2 ... are filled in by the caller.
enum class MailText {
    FieldContains, // %1: field, %2: LineBreak or ControlCharacter
    LineBreak,
    ControlCharacter,
    NoServer,
    ServerInvalid, // %1: the text typed
    AlreadySending,
    NetworkLibraryFailed,
    TransportMissing,      // %1: why the module could not be loaded
    TransportOtherVersion, // %1: the module's path
    // Lines of a send's transcript.
    TranscriptServer,       // %1: the server field
    TranscriptPortKept,     // %1: port
    TranscriptKeptGreeting, // %1: seconds the port kept has to greet
    TranscriptKeptDropped,  // %1: port, %2: why
    TranscriptPortChosen,   // %1: port
    TranscriptAccepted,
    TranscriptFailed, // %1: number, %2: description
    AboutTitle,
    AboutText, // %1: version, %2: client name, %3: libcurl, %4: Qt
};

// The Italian text of id.
QString mailText(MailText id);
