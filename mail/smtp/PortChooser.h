#pragma once

#include "ConnectionOptions.h"
#include "MultiLoop.h"
#include "SendOutcome.h"
#include "ServerAddress.h"

#include <QList>

#include <functional>

#include <memory>
#include <optional>
#include <vector>

class PortProbe;
class Transcript;

// Picks the port when the user typed only a host name, as mail programs set
// themselves up: every usual port is tried at once and the first of them, in
// the order that fits the send, that can carry it wins, so a blocked port
// costs no time-out of its own. Runs on the send's worker thread; abort()
// may come from any thread and makes choose() return promptly.
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
        ConnectionTimings timings;
        Transcript *transcript = nullptr; // gets one line per port tried, if given
    };
    struct Choice
    {
        std::optional<ServerAddress> server; // the address to send to
        SendOutcome failure;                 // when there is none
    };

    PortChooser() = default;
    ~PortChooser();
    PortChooser(const PortChooser &) = delete;
    PortChooser &operator=(const PortChooser &) = delete;

    // The addresses to try, most wanted first: with credentials 587, 465,
    // then 25; without, 25 then 587. smtp:// leaves out 465. A typed port is
    // the only one.
    static QList<ServerAddress> candidates(const ServerAddress &server, const Settings &settings);

    // Tries the candidates of server at once and takes the first in their
    // order that fits (see PortProbe). One ahead of it that is still trying
    // is waited for as ConnectionTimings says: longer while it has a
    // connection up but has not greeted.
    // When none fits, a failure naming each port and why, numbered as a
    // send to the first port that answered at all would be. Every probe that
    // got a greeting has said QUIT, or had ConnectionTimings::kGoodbyeMs to,
    // when this returns.
    Choice choose(const ServerAddress &server, const Settings &settings);
    void abort() { m_loop.stop(); }
    bool aborted() const { return m_loop.stopped(); }

private:
    using Probes = std::vector<std::unique_ptr<PortProbe>>;
    // Makes a probe for each candidate and adds it to the loop; a failure
    // when one could not be made or added.
    SendOutcome start(Probes &probes, const ServerAddress &server, const Settings &settings);
    // Turns the loop until the rule of choose() decides, or it is stopped.
    Choice await(const Probes &probes, const ServerAddress &server, bool credentials);
    // Drops the probes that were never greeted, lets the others finish and
    // say QUIT, for at most ConnectionTimings::kGoodbyeMs.
    void sayGoodbyes(const Probes &probes, const PortProbe *chosen);
    // Takes out of the loop the probes not greeted that have finished or
    // that drop() selects.
    void dropUngreeted(const Probes &probes, const std::function<bool(const PortProbe &)> &drop);
    // Takes every probe left out of the loop, which closes its connection.
    void removeAll();

    MultiLoop m_loop;
    std::vector<PortProbe *> m_inLoop;
};
