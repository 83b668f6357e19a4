#pragma once

#include "ServerAddress.h"

#include <QString>

// How a connection to the server is opened. The port probes and the send
// both go through setConnectionOptions(), so that they never disagree on
// where to connect or on what a trusted server is.
struct ConnectionSettings
{
    // TLS on a connection that starts in clear (smtps:// has it from the
    // first byte whatever this says).
    enum class StartTls { Never, IfOffered, Required };

    ServerAddress server;
    QString caFile; // extra trusted certificates, PEM
    int connectTimeoutMs = 30000;
    StartTls startTls = StartTls::IfOffered;
};

// Sets on easy (libcurl's CURL *) the URL, the protocols allowed, the connect
// time-out, the use of STARTTLS and the certificate checks (the system's CA
// store and settings.caFile, the host name always); returns libcurl's code
// (a CURLcode), 0 when every option took.
int setConnectionOptions(void *easy, const ConnectionSettings &settings);
