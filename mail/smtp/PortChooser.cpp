#include "PortChooser.h"

#include "PortProbe.h"
#include "SmtpDialogue.h"
#include "SmtpFailure.h"
#include "SmtpTexts.h"
#include "Transcript.h"

#include <curl/curl.h>

#include <algorithm>

namespace {

using Outcome = PortProbe::Outcome;
using Clock = PortProbe::Clock;
using Probes = std::vector<std::unique_ptr<PortProbe>>;
using std::chrono::milliseconds;

struct Decision
{
    const PortProbe *chosen = nullptr;
    bool over = false;                       // chosen, or nothing is left to wait for
    std::optional<Clock::time_point> wakeAt; // when waiting may end sooner than a reply
};

// The rule of PortChooser::choose() applied to what the probes know now; no
// choice yet while a port ahead of every fitting one could still win.
Decision decide(const Probes &probes, Clock::time_point now)
{
    Decision d;
    for (auto p = probes.cbegin(); p != probes.cend(); ++p) {
        if ((*p)->outcome() == Outcome::Fit) {
            d.chosen = p->get();
            d.over = true;
            return d;
        }
        if ((*p)->outcome() != Outcome::Pending)
            continue;
        const auto later
            = std::find_if(p + 1, probes.cend(), [](const auto &q) { return q->outcome() == Outcome::Fit; });
        if (later == probes.cend())
            return d;
        const int graceMs
            = (*p)->connected() ? ConnectionTimings::kSilentGraceMs : ConnectionTimings::kUnconnectedGraceMs;
        const auto giveUpAt = (*later)->fitAt() + milliseconds(graceMs);
        if (now < giveUpAt) {
            d.wakeAt = giveUpAt;
            return d;
        }
    }
    d.over = true;
    return d;
}

SendOutcome noneFits(const ServerAddress &server, const Probes &probes, bool credentials)
{
    const auto code = [](CURLcode c) { return [c](const auto &p) { return p->code() == c; }; };
    if (std::all_of(probes.cbegin(), probes.cend(), code(CURLE_COULDNT_RESOLVE_HOST)))
        return describeFailure({CURLE_COULDNT_RESOLVE_HOST, {}, 0, server, {}}, SmtpDialogue{});
    QStringList ports;
    QStringList why;
    for (const auto &p : probes) {
        ports << QString::number(p->address().port);
        why << smtpText(SmtpText::PortAndReason).arg(p->address().port).arg(p->refusal().description);
    }
    const auto answered = std::find_if(probes.cbegin(), probes.cend(),
                                       [](const auto &p) { return p->outcome() != Outcome::Silent; });
    if (answered == probes.cend()) {
        const bool allTimedOut = std::all_of(probes.cbegin(), probes.cend(), code(CURLE_OPERATION_TIMEDOUT));
        return {qint16(allTimedOut ? CURLE_OPERATION_TIMEDOUT : CURLE_COULDNT_CONNECT),
                smtpText(SmtpText::NoServerAnswers)
                    .arg(server.displayHost(), listInWords(ports), why.join(QStringLiteral("; ")))};
    }
    return {(*answered)->refusal().number,
            smtpText(credentials ? SmtpText::NoPortFitsCredentials : SmtpText::NoPortFits)
                .arg(server.displayHost(), listInWords(ports), why.join(QStringLiteral("; ")))};
}

SendOutcome internal(SmtpText reason)
{
    return SendOutcome::failure(SendError::Internal,
                                smtpText(SmtpText::CannotStartBecause).arg(smtpText(reason)));
}

void finishProbe(void *easy, int code)
{
    void *owner = nullptr;
    if (curl_easy_getinfo(static_cast<CURL *>(easy), CURLINFO_PRIVATE, &owner) == CURLE_OK && owner)
        static_cast<PortProbe *>(owner)->finish(code);
}

int millisecondsUntil(Clock::time_point t, Clock::time_point now, int atMost)
{
    const auto left = std::chrono::duration_cast<milliseconds>(t - now).count() + 1;
    return int(std::clamp<Clock::rep>(left, 0, atMost));
}

} // namespace

PortChooser::~PortChooser() = default;

QList<ServerAddress> PortChooser::candidates(const ServerAddress &server, const Settings &settings)
{
    if (server.portTyped)
        return {server};
    const auto at = [&server](quint16 port, bool implicitTls) {
        ServerAddress a = server;
        a.port = port;
        a.implicitTls = implicitTls;
        return a;
    };
    const UsualPorts &p = settings.ports;
    QList<ServerAddress> list;
    if (settings.credentials) {
        list << at(p.submission, false);
        if (!server.smtpScheme)
            list << at(p.implicitTls, true);
        list << at(p.plain, false);
    } else {
        list << at(p.plain, false) << at(p.submission, false);
    }
    return list;
}

PortChooser::Choice PortChooser::choose(const ServerAddress &server, const Settings &settings)
{
    if (!m_loop.open())
        return {{}, internal(SmtpText::OutOfMemoryReason)};
    Probes probes;
    Choice choice{{}, start(probes, server, settings)};
    if (choice.failure.ok())
        choice = await(probes, server, settings.credentials);
    const auto chosen = std::find_if(probes.cbegin(), probes.cend(),
                                     [](const auto &p) { return p->outcome() == Outcome::Fit; });
    sayGoodbyes(probes, choice.server && chosen != probes.cend() ? chosen->get() : nullptr);
    if (settings.transcript && !aborted())
        for (const auto &p : probes)
            settings.transcript->add(p->summary());
    removeAll();
    m_loop.close();
    if (aborted())
        return {{}, SendOutcome::failure(SendError::Internal, smtpText(SmtpText::Interrupted))};
    return choice;
}

SendOutcome PortChooser::start(Probes &probes, const ServerAddress &server, const Settings &settings)
{
    for (const ServerAddress &candidate : candidates(server, settings)) {
        probes.push_back(std::make_unique<PortProbe>(candidate, settings.caFile, settings.timings.connectMs,
                                                     settings.credentials));
        if (!probes.back()->handle() || !m_loop.add(probes.back()->handle()))
            return internal(SmtpText::ConnectionNotReady);
        m_inLoop.push_back(probes.back().get());
    }
    return {};
}

PortChooser::Choice PortChooser::await(const Probes &probes, const ServerAddress &server, bool credentials)
{
    for (;;) {
        const auto now = Clock::now();
        const Decision d = decide(probes, now);
        if (d.over && d.chosen)
            return {d.chosen->address(), {}};
        if (d.over)
            return {{}, noneFits(server, probes, credentials)};
        const int waitMs = d.wakeAt ? millisecondsUntil(*d.wakeAt, now, 1000) : 1000;
        if (!m_loop.turn(finishProbe, waitMs)) {
            const QString why = m_loop.failure();
            return {
                {},
                SendOutcome::failure(SendError::Internal, smtpText(SmtpText::CannotStartBecause).arg(why))};
        }
    }
}

void PortChooser::sayGoodbyes(const Probes &probes, const PortProbe *chosen)
{
    // A probe still on its way when the choice fell gets kLateGreetingMs to
    // greet, so that its server sees QUIT rather than a dropped connection;
    // one that was waited for the whole grace, or is not even connected,
    // goes without a word. Those greeted finish and say QUIT.
    const auto now = Clock::now();
    const bool graceSpent
        = chosen != nullptr && now - chosen->fitAt() >= milliseconds(ConnectionTimings::kSilentGraceMs);
    dropUngreeted(probes, [graceSpent](const PortProbe &p) { return graceSpent || !p.connected(); });
    const auto greetingsEnd = now + milliseconds(ConnectionTimings::kLateGreetingMs);
    const auto deadline = now + milliseconds(ConnectionTimings::kGoodbyeMs);
    for (auto t = now; t < deadline; t = Clock::now()) {
        if (t >= greetingsEnd)
            dropUngreeted(probes, [](const PortProbe &) { return true; });
        std::vector<qintptr> sockets;
        bool waiting = false;
        for (PortProbe *p : m_inLoop) {
            if (p->awaitsGoodbye())
                p->continueGoodbye();
            if (p->awaitsGoodbye() && p->socket() != -1)
                sockets.push_back(p->socket());
            waiting = waiting || p->awaitsGoodbye() || !p->finished();
        }
        if (!waiting || !m_loop.turn(finishProbe, millisecondsUntil(deadline, t, 100), sockets))
            return;
    }
}

void PortChooser::dropUngreeted(const Probes &probes, const std::function<bool(const PortProbe &)> &drop)
{
    for (const auto &p : probes) {
        const bool wanted = !p->greeted() && (p->finished() || drop(*p));
        if (wanted && std::erase(m_inLoop, p.get()) > 0)
            m_loop.remove(p->handle());
    }
}

void PortChooser::removeAll()
{
    for (PortProbe *p : m_inLoop)
        m_loop.remove(p->handle());
    m_inLoop.clear();
}
