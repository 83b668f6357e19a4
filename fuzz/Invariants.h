// What must hold for any text typed into the address, server and attachment
// fields, whatever the parsers make of it, and for any reply of a server. Shared by the fuzz targets and the
// regression test so that both judge an input the same way.
// Each check returns an empty string when everything held, or what broke.
#pragma once

#include "HeaderInvariants.h"
#include "ReplyInvariants.h"
#include "common/AttachmentList.h"
#include "mail/message/AddressList.h"
#include "mail/smtp/ServerAddress.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstring>
#include <string>

namespace FuzzCheck {

inline bool isPrintableAscii(QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; }

// A parsed address goes into the SMTP envelope and, bare, into header lines.
// A quoted local part may legitimately hold spaces, '<', '>' and a quoted '@';
// outside it nothing may be able to end or split an address.
inline QString addressProblem(const QString &address)
{
    if (address.isEmpty())
        return QStringLiteral("empty address");
    for (QChar c : address)
        if (!isPrintableAscii(c))
            return QStringLiteral("address holds a non-printable or non-ASCII character");
    bool inQuote = false;
    int ats = 0;
    for (qsizetype i = 0; i < address.size(); ++i) {
        const QChar c = address[i];
        if (inQuote) {
            if (c == u'\\')
                ++i;
            else if (c == u'"')
                inQuote = false;
            continue;
        }
        if (c == u'"')
            inQuote = true;
        else if (c == u'@')
            ++ats;
        else if (QStringView(u" <>,;").contains(c))
            return QStringLiteral("address holds an unquoted separator: ") + address;
    }
    if (inQuote)
        return QStringLiteral("address ends inside a quote");
    if (ats != 1)
        return QStringLiteral("address has %1 unquoted '@'").arg(ats);
    if (!isValidAddress(address))
        return QStringLiteral("parsed address is not accepted by isValidAddress: ") + address;
    return {};
}

inline QString checkAddressList(const QString &text)
{
    const AddressListResult result = parseAddressList(text);
    if (!result.ok()) {
        if (!result.mailboxes.isEmpty())
            return QStringLiteral("mailboxes returned together with a bad item");
        if (result.badItem.isEmpty() || !text.contains(result.badItem))
            return QStringLiteral("bad item is not a piece of the text");
        return {};
    }
    for (const Mailbox &box : result.mailboxes) {
        if (QString p = addressProblem(box.address); !p.isEmpty())
            return p;
        if (box.name != box.name.trimmed())
            return QStringLiteral("display name not trimmed");
    }
    return checkAddressHeader(result.mailboxes);
}

inline QString checkServerAddress(const QString &text)
{
    const auto server = parseServerAddress(text);
    if (!server)
        return {};
    // A control character inside the text cannot be part of any server name;
    // accepting it means part of the text was silently ignored.
    for (QChar c : text.trimmed())
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return QStringLiteral("text with a control character accepted");
    if (server->host.isEmpty())
        return QStringLiteral("empty host");
    for (QChar c : server->host)
        if (!isPrintableAscii(c) || c == u' ' || QStringView(u"/@[]").contains(c))
            return QStringLiteral("host holds a character a URL cannot carry: ") + server->host;
    if (server->port == 0)
        return QStringLiteral("port 0");
    const QString url = server->url();
    const QString scheme = server->implicitTls ? QStringLiteral("smtps://") : QStringLiteral("smtp://");
    if (!url.startsWith(scheme))
        return QStringLiteral("url does not start with its scheme: ") + url;
    // What goes to libcurl, and what the user is shown, must name the same
    // server when read again; only the URL carries the TLS choice.
    for (const QString &again : {url, server->display()}) {
        const auto back = parseServerAddress(again);
        if (!back || back->host != server->host || back->port != server->port
            || (again == url && back->implicitTls != server->implicitTls))
            return QStringLiteral("does not read back the same: ") + again;
    }
    return {};
}

inline QString checkAttachmentList(const QString &text)
{
    const QStringList paths = parseAttachmentList(text);
    for (const QString &path : paths) {
        if (path.isEmpty() || path.contains(u';'))
            return QStringLiteral("empty path or path with ';'");
        if (path != path.trimmed())
            return QStringLiteral("path with surrounding white space");
        if (!text.contains(path))
            return QStringLiteral("path is not a piece of the text");
    }
    if (parseAttachmentList(paths.join(u';')) != paths)
        return QStringLiteral("joined paths do not read back the same");
    return {};
}

enum class Target { AddressList, ServerAddress, AttachmentList, HeaderEncoder, SmtpReplies };

// The field texts a byte string can stand for: its UTF-8 reading, and its raw
// UTF-16 code units so that lone surrogates and other odd units get tried.
inline QList<QString> textsFromBytes(QByteArrayView bytes)
{
    QList<QString> texts{QString::fromUtf8(bytes)};
    if (bytes.size() >= 2) {
        std::u16string units(size_t(bytes.size() / 2), u'\0');
        std::memcpy(units.data(), bytes.data(), units.size() * 2); // the bytes may be unaligned
        texts << QString::fromStdU16String(units);
    }
    return texts;
}

inline QString checkBytes(Target target, QByteArrayView bytes)
{
    // A server's replies are bytes on the wire, not text typed into a field.
    if (target == Target::SmtpReplies)
        return checkSmtpReplies(bytes);
    for (const QString &text : textsFromBytes(bytes)) {
        QString problem;
        switch (target) {
        case Target::AddressList:
            problem = checkAddressList(text);
            break;
        case Target::ServerAddress:
            problem = checkServerAddress(text);
            break;
        case Target::AttachmentList:
            problem = checkAttachmentList(text);
            break;
        case Target::HeaderEncoder:
            problem = checkHeaderEncoder(text, bytes);
            break;
        case Target::SmtpReplies:
            break;
        }
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}

} // namespace FuzzCheck
