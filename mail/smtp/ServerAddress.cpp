#include "ServerAddress.h"

#include <QHostAddress>
#include <QUrl>

namespace {

bool isHostLabelChar(QChar c)
{
    return c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u'-' || c == u'_');
}

// QHostAddress stops reading at a NUL and accepts "%zone" suffixes holding
// anything; only text made of an IP address's own characters may reach it.
bool isPlainIp(QStringView s)
{
    for (QChar c : s)
        if (c.unicode() >= 0x80 || !(c.isDigit() || QStringView(u".:abcdefABCDEF").contains(c)))
            return false;
    return true;
}

std::optional<QString> hostName(const QString &written)
{
    const QString ace = QString::fromLatin1(QUrl::toAce(written));
    if (ace.isEmpty() || ace.size() > 253)
        return std::nullopt;
    QString name = ace.endsWith(u'.') ? ace.chopped(1) : ace;
    // Checked after the ACE mapping, which can turn e.g. a superscript digit
    // into a plain one: the same host must come out of its own URL again.
    QHostAddress ip;
    if (isPlainIp(name) && ip.setAddress(name) && ip.protocol() == QHostAddress::IPv4Protocol)
        return ip.toString();
    const auto labels = QStringView(name).split(u'.');
    for (QStringView label : labels) {
        if (label.isEmpty() || label.size() > 63 || label.front() == u'-' || label.back() == u'-')
            return std::nullopt;
        for (QChar c : label)
            if (!isHostLabelChar(c))
                return std::nullopt;
    }
    return name;
}

std::optional<quint16> portNumber(QStringView text)
{
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    const int port = text.toInt();
    if (port < 1 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

// What the text says before "://", taken off it with a trailing '/';
// nothing for a scheme other than smtp:// and smtps://.
struct Scheme
{
    bool written = false;
    bool smtps = false;
};

std::optional<Scheme> takeScheme(QString &rest)
{
    const qsizetype end = rest.indexOf(u"://");
    if (end < 0)
        return Scheme{};
    const QString name = rest.left(end).toLower();
    if (name != u"smtp" && name != u"smtps")
        return std::nullopt;
    rest = rest.mid(end + 3);
    if (rest.endsWith(u'/'))
        rest.chop(1);
    return Scheme{true, name == u"smtps"};
}

// The host as libcurl is to be given it, and the port as written (empty
// when none was).
struct Authority
{
    QString host;
    QString port;
};

std::optional<QString> ipv6(const QString &written)
{
    QHostAddress ip;
    if (!isPlainIp(written) || !ip.setAddress(written) || ip.protocol() != QHostAddress::IPv6Protocol)
        return std::nullopt;
    return ip.toString();
}

// What follows a host: nothing, or ':' and a port. A ':' with nothing after
// it is no port at all.
std::optional<QString> portAfterHost(QStringView after)
{
    if (after.isEmpty())
        return QString();
    if (after.front() != u':' || after.size() == 1)
        return std::nullopt;
    return after.sliced(1).toString();
}

std::optional<Authority> bracketedAuthority(const QString &rest)
{
    const qsizetype close = rest.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    const auto host = ipv6(rest.mid(1, close - 1));
    const auto port = portAfterHost(QStringView(rest).sliced(close + 1));
    if (!host || !port)
        return std::nullopt;
    return Authority{*host, *port};
}

std::optional<Authority> namedAuthority(const QString &rest)
{
    const qsizetype colon = rest.indexOf(u':');
    const auto host = hostName(colon < 0 ? rest : rest.left(colon));
    const auto port = portAfterHost(colon < 0 ? QStringView() : QStringView(rest).sliced(colon));
    if (!host || !port)
        return std::nullopt;
    return Authority{*host, *port};
}

std::optional<Authority> authority(const QString &rest)
{
    if (rest.startsWith(u'['))
        return bracketedAuthority(rest);
    if (rest.count(u':') > 1) {
        // A bare IPv6 address: no port possible.
        const auto host = ipv6(rest);
        return host ? std::optional(Authority{*host, {}}) : std::nullopt;
    }
    return namedAuthority(rest);
}

} // namespace

std::optional<ServerAddress> parseServerAddress(const QString &text)
{
    QString rest = text.trimmed();
    const auto scheme = takeScheme(rest);
    if (!scheme || rest.isEmpty())
        return std::nullopt;
    const auto written = authority(rest);
    if (!written)
        return std::nullopt;
    ServerAddress server;
    server.host = written->host;
    if (!written->port.isEmpty()) {
        const auto port = portNumber(written->port);
        if (!port)
            return std::nullopt;
        server.port = *port;
        server.portTyped = true;
    } else if (scheme->smtps) {
        server.port = 465;
        server.portTyped = true;
    }
    server.implicitTls = scheme->smtps || server.port == 465;
    server.smtpScheme = scheme->written && !scheme->smtps;
    return server;
}

QString ServerAddress::displayHost() const { return host.contains(u':') ? u'[' + host + u']' : host; }

QString ServerAddress::display() const { return displayHost() + u':' + QString::number(port); }

QString ServerAddress::url() const
{
    return (implicitTls ? QStringLiteral("smtps://") : QStringLiteral("smtp://")) + display();
}
