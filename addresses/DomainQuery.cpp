#include "DomainQuery.h"
#include "DomainLookup.h"

#include <QUrl>

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>

namespace {

constexpr char nameServerVariable[] = "KORVANE_CLIENT_NAMESERVER";

// Each question is sent again once, two seconds apart: a silent server then
// costs a few seconds, whatever /etc/resolv.conf asks for.
constexpr int longestWait = 2;
constexpr int mostAttempts = 2;

} // namespace

std::optional<sockaddr_in> nameServerSetting()
{
    sockaddr_in address{};
    if (!qEnvironmentVariableIsSet(nameServerVariable))
        return address;
    const QByteArray value = qgetenv(nameServerVariable);
    const qsizetype colon = value.lastIndexOf(':');
    bool ok = false;
    const uint port = value.mid(colon + 1).toUInt(&ok);
    if (colon < 0 || !ok || port == 0 || port > 0xffff
        || inet_pton(AF_INET, value.left(colon).constData(), &address.sin_addr) != 1)
        return std::nullopt;
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    return address;
}

namespace {

enum class Reply { Records, NoData, NoSuchName, Failed };
// The mail exchangers in an answer: none (an alias only), a null MX (RFC
// 7505: the domain takes no mail), or some that take it.
enum class Exchangers { None, Null, Some };

// A function of the same name hides the type's own.
using ResolverState = struct __res_state;

// One look-up's own resolver, so that threads share no state, and closed with
// the sockets it opened.
class Resolver
{
public:
    explicit Resolver(const sockaddr_in &server)
    {
        // A failed res_ninit leaves the state as it was: closing it would
        // close descriptor 0.
        m_ready = res_ninit(&m_state) == 0;
        if (!m_ready)
            return;
        m_state.retrans = std::min(m_state.retrans, longestWait);
        m_state.retry = std::min(m_state.retry, mostAttempts);
        if (server.sin_family != AF_INET)
            return;
        // res_send uses a changed nsaddr_list as it stands, port included.
        m_state.nsaddr_list[0] = server;
        m_state.nscount = 1;
    }
    ~Resolver()
    {
        if (m_ready)
            res_nclose(&m_state);
    }
    Resolver(const Resolver &) = delete;
    Resolver &operator=(const Resolver &) = delete;

    bool isReady() const { return m_ready; }

    Reply query(const QByteArray &name, int type)
    {
        // Positive only for NOERROR with at least one record; a longer answer
        // is cut to the buffer.
        m_length
            = res_nquery(&m_state, name.constData(), ns_c_in, type, m_answer.data(), int(m_answer.size()));
        if (m_length > 0)
            return Reply::Records;
        switch (m_state.res_h_errno) {
        case NO_DATA:
            return Reply::NoData;
        case HOST_NOT_FOUND:
            return Reply::NoSuchName;
        default:
            return Reply::Failed;
        }
    }

    // What the mail exchangers of the last answer, to a query for MX, say.
    Exchangers exchangers() const
    {
        ns_msg message{};
        // An answer cut to the buffer may not parse: it held records, as a
        // null MX's short answer never needs to be cut.
        if (ns_initparse(m_answer.data(), std::min(m_length, int(m_answer.size())), &message) != 0)
            return Exchangers::Some;
        int count = 0;
        bool null = false;
        for (int index = 0; index < ns_msg_count(message, ns_s_an); ++index) {
            ns_rr record{};
            if (ns_parserr(&message, ns_s_an, index, &record) != 0)
                return Exchangers::Some;
            if (ns_rr_type(record) != ns_t_mx || ns_rr_rdlen(record) < 3)
                continue; // the alias that led to them
            ++count;
            std::array<char, NS_MAXDNAME> exchanger{};
            const unsigned char *data = ns_rr_rdata(record);
            null = ns_get16(data) == 0
                && dn_expand(ns_msg_base(message), ns_msg_end(message), data + 2, exchanger.data(),
                             int(exchanger.size()))
                    > 0
                && (exchanger[0] == '\0' || std::string_view(exchanger.data()) == ".");
        }
        if (count == 0)
            return Exchangers::None;
        // RFC 7505: the null MX stands alone; beside others it is a slip, and
        // the others take the mail.
        return count == 1 && null ? Exchangers::Null : Exchangers::Some;
    }

private:
    ResolverState m_state{};
    bool m_ready = false;
    std::array<unsigned char, NS_PACKETSZ> m_answer{};
    int m_length = 0;
};

// Whether server knows name's top-level zone, asked once for each: a name
// server that answers only for its own network says "no such domain" of
// every public name, "it." included.
bool knowsTopZone(Resolver &resolver, const QByteArray &name, TopZones &zones)
{
    const QByteArray zone = name.mid(name.lastIndexOf('.') + 1) + '.';
    if (const auto found = zones.constFind(zone); found != zones.cend())
        return *found;
    const Reply reply = resolver.query(zone, ns_t_soa);
    if (reply == Reply::Failed)
        return false;
    const bool known = reply != Reply::NoSuchName;
    zones.insert(zone, known);
    return known;
}

} // namespace

bool domainWorthAsking(const QString &domain)
{
    return domain.contains(QLatin1Char('.')) && !domain.startsWith(QLatin1Char('['));
}

// RFC 5321, 5.1: without a mail exchanger, the domain's address takes the
// mail. What no answer says plainly is not known.
DomainAnswer lookUpDomain(const QString &domain, const sockaddr_in &server, TopZones &zones)
{
    QByteArray name = QUrl::toAce(domain);
    if (name.endsWith('.'))
        name.chop(1);
    if (name.isEmpty())
        return DomainAnswer::Unknown;
    Resolver resolver(server);
    if (!resolver.isReady())
        return DomainAnswer::Unknown;
    switch (resolver.query(name, ns_t_mx)) {
    case Reply::Records:
        if (const Exchangers found = resolver.exchangers(); found != Exchangers::None)
            return found == Exchangers::Null ? DomainAnswer::TakesNoMail : DomainAnswer::Receives;
        break;
    case Reply::NoData:
        break;
    case Reply::NoSuchName:
        return knowsTopZone(resolver, name, zones) ? DomainAnswer::Missing : DomainAnswer::Unknown;
    case Reply::Failed:
        return DomainAnswer::Unknown;
    }
    if (resolver.query(name, ns_t_a) == Reply::Records || resolver.query(name, ns_t_aaaa) == Reply::Records)
        return DomainAnswer::NoExchanger;
    return DomainAnswer::Unknown;
}
