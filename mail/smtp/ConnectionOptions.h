#pragma once

#include "ServerAddress.h"

#include <QString>

#include <algorithm>

// Every bound on the time a connection to the server may take, in one
// place: the port probes, the send, and the send to a port kept from an
// earlier choice go by the same numbers, so that a port that has turned
// silent costs a send no more than it costs the choice, and a server gets
// as long to answer QUIT whoever says it.
struct ConnectionTimings
{
    // To connect and get through the greeting, EHLO, TLS and AUTH, unless
    // the caller says otherwise.
    static constexpr int kConnectMs = 30000;
    // How long a send may go without any progress (a reply, a byte taken)
    // before the server counts as stalled, unless the caller says otherwise.
    static constexpr int kStallMs = 60000;
    // A port ahead of the first that fits is still waited for this long
    // after that one fitted while it has not even connected (a port that
    // drops packets never answers) ...
    static constexpr int kUnconnectedGraceMs = 300;
    // ... and this long while it is connected but has not greeted: enough
    // for the greeting delays servers use against spam robots (usually up
    // to 6 s).
    static constexpr int kSilentGraceMs = 10000;
    // A probe still on its way when the choice falls may greet this long
    // after, so that its server sees QUIT rather than a dropped connection.
    static constexpr int kLateGreetingMs = 1000;
    // How long a server gets to answer QUIT once there is nothing more to
    // say: the outcome of a send is known, or the port is chosen.
    static constexpr int kGoodbyeMs = 3000;

    int connectMs = kConnectMs;

    // How long a port may take to greet before it counts as silent: the
    // grace above, or the connect time-out when that ends sooner.
    int greetingMs() const { return std::min(connectMs, kSilentGraceMs); }
    // Whole seconds, rounded up, as libcurl's options and the transcript
    // count them.
    static constexpr int wholeSeconds(int ms) { return (ms + 999) / 1000; }
};

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
    int connectTimeoutMs = ConnectionTimings::kConnectMs;
    StartTls startTls = StartTls::IfOffered;
};

// Sets on easy (libcurl's CURL *) the URL, the protocols allowed, the connect
// time-out, the use of STARTTLS and the certificate checks (the system's CA
// store and settings.caFile, the host name always); returns libcurl's code
// (a CURLcode), 0 when every option took.
int setConnectionOptions(void *easy, const ConnectionSettings &settings);
