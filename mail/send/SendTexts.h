#pragma once

#include <QString>

// Every sentence the send's job shows the user, each written once: its
// refusals of the fields before anything is sent, and its own lines of the
// send's transcript. The SMTP conversation's sentences are SmtpTexts', the
// address fields' MessageTexts'. %1, %2 ... are filled in by the caller.
enum class SendText {
    FieldContains, // %1: field, %2: LineBreak or ControlCharacter
    LineBreak,
    ControlCharacter,
    NoServer,
    ServerInvalid, // %1: the text typed
    // Lines of a send's transcript.
    TranscriptServer,       // %1: the server field
    TranscriptPortKept,     // %1: port
    TranscriptKeptGreeting, // %1: seconds the port kept has to greet
    TranscriptKeptDropped,  // %1: port, %2: why
    TranscriptPortChosen,   // %1: port
    TranscriptCopyKept,     // %1: where the copy of the message sent is
    TranscriptCopyNotKept,  // %1: why not
};

// The Italian text of id.
QString sendText(SendText id);
