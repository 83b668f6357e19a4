#include "PortChooser.h"

#include "PortProbe.h"
#include "SmtpDialogue.h"
#include "SmtpFailure.h"
#include "Transcript.h"

#include <curl/curl.h>

#include <algorithm>
#include <vector>

namespace {

using Outcome = PortProbe::Outcome;
using Clock = PortProbe::Clock;
using Probes = std::vector<std::unique_ptr<PortProbe>>;

struct MultiDeleter
{
    void operator()(CURLM *multi) const { curl_multi_cleanup(multi); }
};

struct Decision
{
    const PortProbe *chosen = nullptr;
    bool noneAnswered = false;
    std::optional<Clock::time_point> wakeAt; // when waiting may end sooner than a reply
};

// The rule of PortChooser::choose() applied to what the probes know now; no
// choice yet while a port ahead of every greeting one could still win.
Decision decide(const Probes &probes, Clock::time_point now)
{
    Decision d;
    for (auto p = probes.cbegin(); p != probes.cend(); ++p) {
        if ((*p)->outcome() == Outcome::Greeted) {
            d.chosen = p->get();
            return d;
        }
        if ((*p)->outcome() != Outcome::Pending)
            continue;
        const auto later = std::find_if(p + 1, probes.cend(),
                                        [](const auto &q) { return q->outcome() == Outcome::Greeted; });
        if (later == probes.cend() || (*p)->connected())
            return d;
        const auto giveUpAt = (*later)->finishedAt() + std::chrono::milliseconds(PortChooser::kGraceMs);
        if (now < giveUpAt) {
            d.wakeAt = giveUpAt;
            return d;
        }
    }
    // Nothing greeted and nothing is left waiting.
    const auto answered = std::find_if(probes.cbegin(), probes.cend(),
                                       [](const auto &q) { return q->outcome() == Outcome::Answered; });
    if (answered != probes.cend())
        d.chosen = answered->get();
    else
        d.noneAnswered = true;
    return d;
}

QString portList(const Probes &probes)
{
    QStringList ports;
    for (const auto &p : probes)
        ports << QString::number(p->address().port);
    const QString last = ports.takeLast();
    return ports.isEmpty() ? last : ports.join(QStringLiteral(", ")) + QStringLiteral(" e ") + last;
}

SendOutcome noneAnswered(const ServerAddress &server, const Probes &probes)
{
    const auto code = [](CURLcode c) { return [c](const auto &p) { return p->code() == c; }; };
    if (std::all_of(probes.cbegin(), probes.cend(), code(CURLE_COULDNT_RESOLVE_HOST)))
        return describeFailure({CURLE_COULDNT_RESOLVE_HOST, {}, 0, server, {}}, SmtpDialogue{});
    QStringList why;
    for (const auto &p : probes)
        why << QStringLiteral("%1: %2").arg(p->address().port).arg(p->failureText());
    const bool allTimedOut = std::all_of(probes.cbegin(), probes.cend(), code(CURLE_OPERATION_TIMEDOUT));
    return {qint16(allTimedOut ? CURLE_OPERATION_TIMEDOUT : CURLE_COULDNT_CONNECT),
            QStringLiteral("Nessun server SMTP risponde su %1 alle porte %2 (%3). Se il fornitore "
                           "indica un'altra porta, scriverla dopo il nome del server, per esempio %1:2525.")
                .arg(server.displayHost(), portList(probes), why.join(QStringLiteral("; ")))};
}

SendOutcome internal(const QString &what)
{
    return SendOutcome::failure(SendError::Internal,
                                QStringLiteral("Impossibile avviare l'invio: %1.").arg(what));
}

} // namespace

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

void PortChooser::abort()
{
    const std::lock_guard lock(m_mutex);
    m_abort = true;
    if (m_multi)
        curl_multi_wakeup(static_cast<CURLM *>(m_multi));
}

PortChooser::Choice PortChooser::choose(const ServerAddress &server, const Settings &settings)
{
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi)
        return {{}, internal(QStringLiteral("memoria insufficiente"))};
    Probes probes;
    for (const ServerAddress &candidate : candidates(server, settings)) {
        probes.push_back(std::make_unique<PortProbe>(candidate, settings.caFile, settings.connectTimeoutMs));
        if (!probes.back()->handle())
            return {{}, internal(QStringLiteral("impossibile preparare la connessione"))};
    }
    std::vector<PortProbe *> running;
    const auto removeAll = [&] {
        // Removing a probe that has not finished closes its connection
        // without a word; one that has finished has already hung up.
        for (PortProbe *p : running)
            (void)curl_multi_remove_handle(multi.get(), p->handle());
        running.clear();
    };
    for (auto &p : probes) {
        if (curl_multi_add_handle(multi.get(), p->handle()) != CURLM_OK) {
            removeAll();
            return {{}, internal(QStringLiteral("impossibile preparare la connessione"))};
        }
        running.push_back(p.get());
    }
    {
        const std::lock_guard lock(m_mutex);
        m_multi = multi.get();
    }
    Choice choice;
    while (!aborted()) {
        int active = 0;
        CURLMcode mc = curl_multi_perform(multi.get(), &active);
        int pending = 0;
        while (CURLMsg *msg = curl_multi_info_read(multi.get(), &pending)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            void *owner = nullptr;
            if (curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &owner) != CURLE_OK || !owner)
                continue;
            auto *probe = static_cast<PortProbe *>(owner);
            probe->finish(int(msg->data.result));
            (void)curl_multi_remove_handle(multi.get(), probe->handle()); // it has hung up already
            running.erase(std::remove(running.begin(), running.end(), probe), running.end());
        }
        const auto now = Clock::now();
        const Decision d = decide(probes, now);
        if (d.chosen) {
            choice.server = d.chosen->address();
            break;
        }
        if (d.noneAnswered) {
            choice.failure = noneAnswered(server, probes);
            break;
        }
        int waitMs = 1000;
        if (d.wakeAt)
            waitMs = int(std::clamp<Clock::rep>(
                std::chrono::duration_cast<std::chrono::milliseconds>(*d.wakeAt - now).count() + 1, 0,
                waitMs));
        if (mc == CURLM_OK)
            mc = curl_multi_poll(multi.get(), nullptr, 0, waitMs, nullptr);
        if (mc != CURLM_OK) {
            choice.failure = internal(QString::fromUtf8(curl_multi_strerror(mc)));
            break;
        }
    }
    if (settings.transcript && !aborted())
        for (const auto &p : probes)
            settings.transcript->add(p->summary());
    removeAll();
    {
        const std::lock_guard lock(m_mutex);
        m_multi = nullptr;
    }
    if (aborted())
        return {{}, SendOutcome::failure(SendError::Internal, QStringLiteral("Invio interrotto."))};
    return choice;
}
