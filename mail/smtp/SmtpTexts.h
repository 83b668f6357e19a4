#pragma once

#include <QString>
#include <QStringList>

// Every sentence the SMTP transport shows the user, each written once. The
// texts are formats: %1, %2 ... are filled in by the caller with .arg().
enum class SmtpText {
    // The send could not start or was stopped.
    CannotStart,        // "Impossibile avviare l'invio."
    CannotStartBecause, // %1: why, lower case
    CannotPrepareSend,  // %1: libcurl's words
    OutOfMemory,        // a whole sentence
    OutOfMemoryReason,  // the same, as a reason inside another sentence
    ConnectionNotReady, // a reason: libcurl refused a transfer
    Interrupted,
    // The port choice. %1: host, %2: the ports, %3: port by port, why.
    NoServerAnswers,
    NoPortFits,
    NoPortFitsCredentials,
    PortAndReason, // %1: port, %2: why
    // Why one port would not do (a few words each).
    ProbeConnectionRefused,
    ProbeUnreachable,
    ProbeTimedOut,
    ProbeTlsNotEstablished,
    ProbeClosedWithoutGreeting,
    ProbeNotSmtp,
    ProbeOtherError,      // %1: libcurl's code
    ProbeGreetingRefused, // %1: the reply
    ProbeNoStartTls,
    ProbeNoAuth,
    ProbeStartTlsRefused,    // %1: the reply
    ProbeCertificateRefused, // %1: libcurl's words
    ProbeTlsFailed,          // %1: libcurl's words
    ProbeReplyTooLong,
    ProbeSummary,      // a transcript line: %1 address, %2 " (TLS)" or nothing, %3 what was seen
    ProbeStillPending, // the transcript's word for a probe the choice did not wait for
    // The server refused, in its own words: %1 server, %2 reply (or %1 reply).
    GreetingRefused,
    HelloRefused,
    StartTlsRefused,
    AuthRefused,      // %1: reply
    SenderRefused,    // %1: address, %2: reply
    RecipientRefused, // %1: address, %2: reply
    MessageRefused,   // %1: reply
    // Failures on the way. %1: server (or host), %2: libcurl's words.
    UnknownServer,
    ConnectionRefused,
    CannotConnect,
    LookupTimedOut,
    GreetingTimedOut,
    NoGreetingWithin, // %2: seconds
    StoppedResponding,
    NoStartTls,
    CertificateInvalid,
    TlsFailed,
    LoginDenied,
    ConnectionBroken,
    ReplyTooLong, // %2: what it answered (one of the three below), %3: lines
    ReplyToGreeting,
    ReplyToCommand, // %1: the command
    ReplyToMessage,
    UnexpectedReply,
    CommunicationError,
    NoAuthOffered,
    NoUsableAuth, // %2: the mechanisms offered
    NoMechanism,  // the mechanisms offered when there are none
    // The about dialog: libcurl built without a TLS library.
    WithoutTls,
    // The transcript's own lines.
    TranscriptLinesOmitted,  // %1: how many of the earliest lines went
    TranscriptRepliesHidden, // %1: how many lines of a long reply are not shown
    TranscriptMessageBytes,  // %1: the message's size, grouped as Italian writes it
    // What the transcript keeps of libcurl's remarks, in its words; %1, %2 ...
    // are what libcurl said there.
    RemarkConnecting,    // %1: the address
    RemarkConnected,     // %1: host, %2: address, %3: port
    RemarkConnectFailed, // %1: host, %2: port, %3: why
    RemarkTls,           // %1: the TLS version and cipher
    RemarkSubject,       // %1: the certificate's subject
    RemarkIssuer,        // %1: the certificate's issuer
    RemarkVerified,
    RemarkCertificateBad, // %1: why
    RemarkTlsFailed,      // %1: why, after its own space
    RemarkNoStartTls,
    RemarkBroken,   // %1: why
    RemarkTimedOut, // %1: the rest of libcurl's line
    RemarkClosed,
    // How a list ends: %1 the items before the last, %2 the last.
    ListLastJoin,
};

// The Italian text of id.
QString smtpText(SmtpText id);

// "a", "a e b", "a, b e c".
QString listInWords(QStringList items);
