#pragma once

#include "mail/message/MailRequest.h"
#include "mail/smtp/SendOutcome.h"
#include "mail/smtp/Transcript.h"

#include <QString>
#include <QtPlugin>

#include <functional>
#include <memory>

// What the component asks of the transport, which lives in a module of its
// own (korvane-smtp) so that libcurl and its libraries are loaded after the
// window is on screen, not before it. Both sides are built from this header
// by the same compiler, so C++ types cross the boundary as they are.
class SendTask
{
public:
    using Progress = std::function<void(qint64 sent, qint64 total)>;
    using Verdict = std::function<void(const SendOutcome &outcome)>;

    SendTask() = default;
    SendTask(const SendTask &) = delete;
    SendTask &operator=(const SendTask &) = delete;
    virtual ~SendTask() = default;

    // The whole send, on a worker thread: checks the fields, builds the
    // message, talks to the server. verdict gets the outcome exactly once,
    // as soon as it is known (not at all once aborted); the same outcome is
    // returned once the goodbye is over.
    virtual SendOutcome run(const Progress &progress, const Verdict &verdict) = 0;
    // From any thread, never blocking: cuts the connection, run() returns.
    virtual void abort() = 0;
    virtual bool aborted() const = 0;
    // Adds a line to the send's transcript, as the transport adds its own.
    virtual void addTranscriptLine(const QString &line) = 0;
    // The transcript so far, one line each; any thread.
    virtual QString transcriptText() const = 0;
};

// The module's one object, reached through Qt's plugin loader; it outlives
// every caller, since the module is never unloaded. The module's metadata
// names the program version and the exact build it was made for (a hash of
// this header, the others whose types cross and the tools, made by
// mail/CMakeLists.txt): a module of another build is refused before it is
// loaded.
class TransportPlugin
{
public:
    virtual ~TransportPlugin() = default;
    // libcurl's process-wide set-up, once; false when it failed.
    virtual bool initialise() = 0;
    // A send of request; with an echo (the program's standard error, one
    // queue for the whole process) each transcript line also goes to it.
    // The task wipes its password when it ends and then lets go of
    // passwordHold: the caller's hold keeping the process undumpable, which
    // the program counts, so the module takes none of its own.
    virtual std::shared_ptr<SendTask> makeTask(const MailRequest &request, Transcript::EchoLine echo,
                                               std::shared_ptr<void> passwordHold)
        = 0;
};

// Raised when the interface changes.
#define KorvaneTransportPlugin_iid "it.korvane.Client.TransportPlugin/4"
Q_DECLARE_INTERFACE(TransportPlugin, KorvaneTransportPlugin_iid)
