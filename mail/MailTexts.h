#pragma once

#include <QString>

// Every sentence the mail component itself shows the user, each written
// once; the send's job has its own (SendTexts), the SMTP conversation its own
// (SmtpTexts), the address fields theirs (MessageTexts). %1, %2 ... are filled in by the caller.
enum class MailText {
    AlreadySending,
    NetworkLibraryFailed,
    TransportMissing,      // %1: why the module could not be loaded
    TransportOtherVersion, // %1: the module's path
    // Lines of a send's transcript.
    TranscriptAccepted,
    TranscriptFailed, // %1: number, %2: description
    AboutTitle,
    AboutText, // %1: version, %2: client name, %3: libcurl, %4: Qt
};

// The Italian text of id.
QString mailText(MailText id);
