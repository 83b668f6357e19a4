#pragma once

#include "ServerAddress.h"
#include "TranscriptTap.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

// One try at one port, run by PortChooser's multi handle: connects (TLS from
// the first byte where the address says so, the certificate checked as for
// the send itself), reads the server's greeting and hangs up without sending
// a single command. The send then opens a connection of its own.
class PortProbe
{
public:
    enum class Outcome {
        Pending,  // still connecting or waiting for the greeting
        Greeted,  // a 220 greeting arrived (over TLS when the port wants TLS)
        Answered, // a server is there but will not do: another greeting, or a
                  // certificate that failed the check; the send reports it
        Silent,   // nothing that speaks SMTP (refused, time-out, not SMTP)
    };
    using Clock = std::chrono::steady_clock;

    // Prepares the transfer; handle() is null when that failed.
    PortProbe(const ServerAddress &address, const QString &caFile, int connectTimeoutMs);
    ~PortProbe();
    PortProbe(const PortProbe &) = delete;
    PortProbe &operator=(const PortProbe &) = delete;

    // libcurl's easy handle (a CURL *), owned by this object.
    void *handle() const { return m_easy.get(); }
    const ServerAddress &address() const { return m_address; }

    // Records how the transfer ended (a CURLcode) and when.
    void finish(int curlCode);
    Outcome outcome() const { return m_outcome; }
    // While pending: whether the connection to the port is already up.
    bool connected() const;
    Clock::time_point finishedAt() const { return m_finishedAt; }
    // libcurl's code for a probe that ended without an answer.
    int code() const { return m_code; }
    // Why the port did not answer, in a few Italian words.
    QString failureText() const;

    // One transcript line: the port and what was seen of it, or why nothing was.
    QString summary() const;

    // libcurl's header callback: one reply line of the server.
    bool replyLine(const char *data, size_t size);

private:
    struct EasyDeleter
    {
        void operator()(void *easy) const;
    };
    std::unique_ptr<void, EasyDeleter> m_easy;
    ServerAddress m_address;
    QByteArray m_url;
    QByteArray m_caFile;
    Outcome m_outcome = Outcome::Pending;
    bool m_replied = false;
    int m_code = 0;
    long m_osErrno = 0;
    Clock::time_point m_finishedAt;
    QStringList m_seen; // what the tap reported, in order
    TranscriptTap m_tap{[this](const QString &line) { m_seen << line; }};
};
