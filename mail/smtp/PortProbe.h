#pragma once

#include "ReplyReader.h"
#include "SendOutcome.h"
#include "ServerAddress.h"
#include "TranscriptTap.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

// One try at one port, run by PortChooser's multi handle. It connects (TLS
// from the first byte where the address says so), reads the greeting and
// says EHLO; with credentials on a port that starts in clear it also asks
// for STARTTLS, so that the port counts only when the certificate passes the
// same checks as the send's and AUTH is offered over TLS. It never authenticates, and a connection that
// got a greeting ends with QUIT, its reply read, before it is closed.
class PortProbe
{
public:
    enum class Outcome {
        Pending,  // still connecting, greeting or shaking hands
        Fit,      // can carry the send: greeted, and with credentials over verified TLS, AUTH offered
        Unfit,    // greeted, but credentials could not travel or be used there
        Answered, // a server refused: another greeting, or a certificate that failed
        Silent,   // nothing that speaks SMTP (refused, time-out, not SMTP)
    };
    using Clock = std::chrono::steady_clock;

    // Prepares the transfer; handle() is null when that failed.
    PortProbe(const ServerAddress &address, const QString &caFile, int connectTimeoutMs, bool credentials);
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
    // Whether the server greeted with 220.
    bool greeted() const { return m_greeted; }
    // Whether libcurl is done with the transfer.
    bool finished() const { return m_finished; }
    // When the probe became fit.
    Clock::time_point fitAt() const { return m_fitAt; }
    // libcurl's code for a probe that ended without an answer.
    int code() const { return m_code; }
    // Why the port will not do: the number a send there would report and a
    // few Italian words.
    SendOutcome refusal() const { return m_refusal; }
    // One transcript line: the port and what was seen of it, or why nothing was.
    QString summary() const;

    // libcurl's header callback: one reply line of the server.
    bool replyLine(const char *data, size_t size);

    // The goodbye, once the transfer has finished with its connection up:
    // true until QUIT has been answered, the server has closed or something
    // failed. continueGoodbye() writes QUIT the first time and reads what
    // has arrived of the reply; socket() is what to wait on meanwhile.
    bool awaitsGoodbye() const { return m_goodbye == Goodbye::Due || m_goodbye == Goodbye::Said; }
    void continueGoodbye();
    qintptr socket() const;

private:
    enum class Goodbye { None, Due, Said, Over };
    struct EasyDeleter
    {
        void operator()(void *easy) const;
    };
    void replyComplete();
    void becomeFit();
    void finishConnected();
    void finishFailed();
    bool goodbyeAnswered();

    // What is read of the reply to QUIT at most: past it, the goodbye is over.
    static constexpr qsizetype kMaxGoodbyeBytes = 4096;

    std::unique_ptr<void, EasyDeleter> m_easy;
    ServerAddress m_address;
    bool m_credentials;
    Outcome m_outcome = Outcome::Pending;
    SendOutcome m_refusal;
    ReplyReader m_reader;
    bool m_replied = false;
    bool m_greeted = false;
    bool m_finished = false;
    bool m_startTlsOffered = false;
    bool m_authOffered = false; // over TLS
    int m_startTlsReply = 0;
    int m_code = 0;
    long m_osErrno = 0;
    Clock::time_point m_fitAt;
    Goodbye m_goodbye = Goodbye::None;
    QByteArray m_goodbyeReply;
    qsizetype m_goodbyeScanned = 0; // complete lines read of it
    std::unique_ptr<char[]> m_errorText;
    QStringList m_seen; // what the tap reported, in order
    TranscriptTap m_tap{[this](const QString &line) { m_seen << line; }};
};
