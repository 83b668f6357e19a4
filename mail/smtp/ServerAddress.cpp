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

} // namespace

std::optional<ServerAddress> parseServerAddress(const QString &text)
{
    QString rest = text.trimmed();
    ServerAddress server;
    bool smtps = false;
    const qsizetype scheme = rest.indexOf(u"://");
    if (scheme >= 0) {
        const QString name = rest.left(scheme).toLower();
        if (name != u"smtp" && name != u"smtps")
            return std::nullopt;
        smtps = name == u"smtps";
        rest = rest.mid(scheme + 3);
        if (rest.endsWith(u'/'))
            rest.chop(1);
    }
    if (rest.isEmpty())
        return std::nullopt;

    QString host;
    QStringView portText;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        host = rest.mid(1, close - 1);
        QHostAddress ip;
        if (!isPlainIp(host) || !ip.setAddress(host) || ip.protocol() != QHostAddress::IPv6Protocol)
            return std::nullopt;
        server.host = ip.toString();
        const QStringView after = QStringView(rest).sliced(close + 1);
        if (!after.isEmpty()) {
            if (after.front() != u':')
                return std::nullopt;
            portText = after.sliced(1);
            if (portText.isEmpty())
                return std::nullopt;
        }
    } else if (rest.count(u':') > 1) {
        QHostAddress ip; // a bare IPv6 address: no port possible
        if (!isPlainIp(rest) || !ip.setAddress(rest) || ip.protocol() != QHostAddress::IPv6Protocol)
            return std::nullopt;
        server.host = ip.toString();
    } else {
        const qsizetype colon = rest.indexOf(u':');
        host = colon < 0 ? rest : rest.left(colon);
        if (colon >= 0) {
            portText = QStringView(rest).sliced(colon + 1);
            if (portText.isEmpty())
                return std::nullopt;
        }
        const auto name = hostName(host);
        if (!name)
            return std::nullopt;
        server.host = *name;
    }
    if (!portText.isEmpty()) {
        const auto port = portNumber(portText);
        if (!port)
            return std::nullopt;
        server.port = *port;
        server.portTyped = true;
    } else if (smtps) {
        server.port = 465;
        server.portTyped = true;
    }
    server.implicitTls = smtps || server.port == 465;
    server.smtpScheme = scheme >= 0 && !smtps;
    return server;
}

QString ServerAddress::displayHost() const { return host.contains(u':') ? u'[' + host + u']' : host; }

QString ServerAddress::display() const { return displayHost() + u':' + QString::number(port); }

QString ServerAddress::url() const
{
    return (implicitTls ? QStringLiteral("smtps://") : QStringLiteral("smtp://")) + display();
}
