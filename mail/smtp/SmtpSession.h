#pragma once

#include "ConnectionCutter.h"
#include "ConnectionOptions.h"
#include "MultiLoop.h"
#include "SendOutcome.h"
#include "ServerAddress.h"

#include <QByteArray>
#include <QList>

#include <functional>

class MessageSource;
class Transcript;

// One SMTP conversation over libcurl: connect, TLS, authentication, envelope,
// DATA, then QUIT, also after a refusal while the connection is up. Runs on
// the calling (worker) thread, where every libcurl handle is made and freed;
// abort() may be called from any thread at any time, never blocks, and makes
// run() return promptly without the final "." ever being sent.
class SmtpSession
{
public:
    struct Settings
    {
        ServerAddress server;
        QByteArray mailFrom; // bare addresses
        QList<QByteArray> recipients;
        QByteArray username; // empty: no authentication
        QByteArray password;
        QString caFile; // extra trusted certificates, PEM
        int connectTimeoutMs = ConnectionTimings::kConnectMs;
        int stallTimeoutMs = ConnectionTimings::kStallMs;
        Transcript *transcript = nullptr; // gets the dialogue, redacted, if given
        // When above 0: a server that has not greeted this long after the
        // connection was started is given up, unreached, however long the
        // connect time-out still runs (a port kept from an earlier choice
        // gets what the choice would give it).
        int greetingTimeoutMs = 0;
    };
    using Progress = std::function<void(qint64 sent, qint64 total)>;
    // Called once a run, on the running thread, as soon as the outcome is
    // known: the server's answer to the end of the message, or the refusal
    // that ends the conversation, comes before the goodbye to the server.
    // Also after abort(): whoever hands it in knows whether anyone listens.
    using Verdict = std::function<void(const SendOutcome &outcome)>;

    SmtpSession() = default;
    SmtpSession(const SmtpSession &) = delete;
    SmtpSession &operator=(const SmtpSession &) = delete;

    // Sets up libcurl's process-wide state, once, from whichever thread comes
    // first; false when it could not be set up.
    static bool initialise();
    // libcurl's version and the TLS library it uses, for the about dialog.
    static QString libraryVersion();

    // Sends the message read from source and returns the outcome, which a
    // verdict, if given, has already received; returns after saying QUIT.
    // A failure is described in Italian, with the server's own reply where
    // it gave one.
    SendOutcome run(const Settings &settings, MessageSource &source, const Progress &progress,
                    const Verdict &verdict = {});
    // Cuts the connection and stops run(); no waiting.
    void abort();
    bool aborted() const { return m_loop.stopped(); }

private:
    friend class SmtpTransfer;

    MultiLoop m_loop;
    ConnectionCutter m_connections;
};
