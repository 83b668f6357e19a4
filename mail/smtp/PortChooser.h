#pragma once

#include "SendOutcome.h"
#include "ServerAddress.h"

#include <QList>

class Transcript;

#include <atomic>
#include <mutex>
#include <optional>

// Picks the port when the user typed only a host name, as mail programs set
// themselves up: every usual port is tried at once and the first of them, in
// the order that fits the send, to greet wins, so a blocked port costs no
// time-out of its own. Runs on the send's worker thread; abort() may come
// from any thread and makes choose() return promptly.
class PortChooser
{
public:
    struct UsualPorts
    {
        quint16 plain = 25;
        quint16 submission = 587;  // STARTTLS
        quint16 implicitTls = 465; // TLS from the first byte
    };
    struct Settings
    {
        UsualPorts ports;
        bool credentials = false;
        QString caFile; // extra trusted certificates, PEM
        int connectTimeoutMs = 30000;
        Transcript *transcript = nullptr; // gets one line per port tried, if given
    };
    struct Choice
    {
        std::optional<ServerAddress> server; // the address to send to
        SendOutcome failure;                 // when there is none
    };

    PortChooser() = default;
    ~PortChooser() = default;
    PortChooser(const PortChooser &) = delete;
    PortChooser &operator=(const PortChooser &) = delete;

    // The addresses to try, most wanted first: with credentials 587, 465,
    // then 25; without, 25 then 587. smtp:// leaves out 465. A typed port is
    // the only one.
    static QList<ServerAddress> candidates(const ServerAddress &server, const Settings &settings);

    // Tries the candidates of server at once. Takes the first in their
    // order that greets; one ahead of it that is still trying is waited for
    // while it has a connection up, and otherwise for kGraceMs more (a port
    // that drops packets never answers). When none greets, the first that
    // answered at all, so the send reports that server's own words; when
    // none answered, a failure naming the ports tried.
    Choice choose(const ServerAddress &server, const Settings &settings);
    void abort();
    bool aborted() const { return m_abort.load(); }

    static constexpr int kGraceMs = 300;

private:
    std::mutex m_mutex;
    void *m_multi = nullptr; // while choose() runs, for abort() to wake it
    std::atomic<bool> m_abort{false};
};
