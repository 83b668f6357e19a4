#pragma once

#include "ServerAddress.h"

#include <QString>

#include <algorithm>

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

// How long a port gets before it is given up: one set for the port probes
// and for a send to the port kept from an earlier choice, so that a port
// that has turned silent costs a send no more than it costs the choice.
struct ConnectionTimings
{
    // A port ahead of the first that fits is still waited for this long
    // after that one fitted while it has not even connected (a port that
    // drops packets never answers) ...
    static constexpr int kUnconnectedGraceMs = 300;
    // ... and this long while it is connected but has not greeted: enough
    // for the greeting delays servers use against spam robots (usually up
    // to 6 s).
    static constexpr int kSilentGraceMs = 10000;

    // To connect and get through the greeting, EHLO, TLS and AUTH.
    int connectMs = 30000;

    // How long a port may take to greet before it counts as silent: the
    // grace above, or the connect time-out when that ends sooner.
    int greetingMs() const { return std::min(connectMs, kSilentGraceMs); }
};

// Sets on easy (libcurl's CURL *) the URL, the protocols allowed, the connect
// time-out, the use of STARTTLS and the certificate checks (the system's CA
// store and settings.caFile, the host name always); returns libcurl's code
// (a CURLcode), 0 when every option took.
int setConnectionOptions(void *easy, const ConnectionSettings &settings);
