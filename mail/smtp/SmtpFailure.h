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
