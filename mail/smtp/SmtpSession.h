#pragma once

#include "SendOutcome.h"
#include "ServerAddress.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <functional>
#include <memory>

class MessageSource;
struct SmtpDialogue;

// One SMTP conversation over libcurl: connect, TLS, authentication, envelope,
// DATA. Runs on the calling (worker) thread; abort() may be called from any
// thread at any time and makes run() return promptly without the final "."
// ever being sent.
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
        int connectTimeoutMs = 30000;
        int stallTimeoutMs = 60000;
    };
    using Progress = std::function<void(qint64 sent, qint64 total)>;

    SmtpSession();
    ~SmtpSession();
    SmtpSession(const SmtpSession &) = delete;
    SmtpSession &operator=(const SmtpSession &) = delete;

    // Sets up libcurl's process-wide state, once, from whichever thread comes
    // first; false when it could not be set up.
    static bool initialise();
    // libcurl's version and the TLS library it uses, for the about dialog.
    static QString libraryVersion();

    // Sends the message read from source. A failure is described in Italian,
    // with the server's own reply where it gave one.
    SendOutcome run(const Settings &settings, MessageSource &source, const Progress &progress);
    void abort();
    bool aborted() const { return m_abort.load(); }

private:
    struct MultiDeleter
    {
        void operator()(void *multi) const;
    };
    std::unique_ptr<void, MultiDeleter> m_multi;
    std::atomic<bool> m_abort{false};
};
