#include "DomainQuery.h"
#include "DomainLookup.h"

#include <QUrl>

#include <algorithm>
#include <array>
#include <optional>

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
        std::array<unsigned char, NS_PACKETSZ> answer{};
        // Positive only for NOERROR with at least one record; a longer answer
        // is cut to the buffer, which is enough to know that.
        if (res_nquery(&m_state, name.constData(), ns_c_in, type, answer.data(), int(answer.size())) > 0)
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

private:
    ResolverState m_state{};
    bool m_ready = false;
};

bool nothingThere(Reply reply) { return reply == Reply::NoData || reply == Reply::NoSuchName; }

} // namespace

bool domainWorthAsking(const QString &domain)
{
    return domain.contains(QLatin1Char('.')) && !domain.startsWith(QLatin1Char('['));
}

DomainAnswer lookUpDomain(const QString &domain, const sockaddr_in &server)
{
    const QByteArray name = QUrl::toAce(domain);
    if (name.isEmpty())
        return DomainAnswer::Unknown;
    Resolver resolver(server);
    if (!resolver.isReady())
        return DomainAnswer::Unknown;
    const Reply exchanger = resolver.query(name, ns_t_mx);
    if (exchanger == Reply::Records)
        return DomainAnswer::Receives;
    if (exchanger != Reply::NoData)
        return exchanger == Reply::NoSuchName ? DomainAnswer::Missing : DomainAnswer::Unknown;
    const Reply ipv4 = resolver.query(name, ns_t_a);
    if (ipv4 == Reply::Records)
        return DomainAnswer::NoExchanger;
    const Reply ipv6 = resolver.query(name, ns_t_aaaa);
    if (ipv6 == Reply::Records)
        return DomainAnswer::NoExchanger;
    return nothingThere(ipv4) && nothingThere(ipv6) ? DomainAnswer::Missing : DomainAnswer::Unknown;
}
