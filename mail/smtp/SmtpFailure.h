#pragma once

#include "SendOutcome.h"
#include "ServerAddress.h"

struct SmtpDialogue;

struct TransportError
{
    int code;       // libcurl's CURLcode
    QString detail; // libcurl's own message
    int osErrno;
    ServerAddress server;
    QString sourceError;  // why the message could not be read, if it could not
    bool resolved = true; // the server's name lookup finished
};

// Turns a failed conversation into the number and Italian text the user sees:
// the server's reply code and words when it refused something, otherwise
// libcurl's code with what went wrong on the way. Every piece that came from
// the network or from libcurl goes through shownText().
SendOutcome describeFailure(const TransportError &error, const SmtpDialogue &dialogue);

// Whether libcurl's words (its error buffer) say that the server's replies
// went past what libcurl takes. Debian 12's libcurl 7.88.1 counts every reply
// line against one budget for the whole conversation (300 KiB), and while it
// reads the answer to EHLO it counts again, for each line, all that the same
// read brought after it: about 90 lines of 80 characters use it up. It then
// closes the connection with its code 56, as for a broken one.
bool isReplyTooLong(const QString &curlDetail);
