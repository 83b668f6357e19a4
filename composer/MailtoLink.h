#pragma once

#include "FormFields.h"

#include <QString>

#include <optional>

// A mailto: link (RFC 6068) as the composer uses it: the addresses of its
// path and of its "to" field, and its "cc", "bcc", "subject" and "body".
struct MailtoLink
{
    QString to;
    QString cc;
    QString bcc;
    QString subject;
    QString body;

    bool operator==(const MailtoLink &) const = default;

    // Decodes link ("mailto:" in any case, then the path and the "?name=value&..."
    // fields). Every part is percent-decoded as UTF-8 and "+" stays "+".
    // Addresses from the path and every "to" (likewise every "cc", every
    // "bcc") are joined with ", "; a comma inside a quoted string or a comment
    // belongs to its address. The body's line breaks (CRLF or CR) become "\n". The first
    // "subject" and "body" count; field names are matched in any case and
    // fields with other names are ignored. Returns nothing when link is not a
    // mailto: link, holds a '%' not followed by two hex digits, decodes to
    // something that is not UTF-8, or gives an address, the subject or the
    // body a control character other than a tab (the body's line breaks
    // excepted).
    static std::optional<MailtoLink> parse(const QString &link);

    // The fields of a new message to the link's addresses: recipient, CC,
    // BCC, subject and body replaced by the link's (also when empty), the
    // rest as in fields.
    FormFields over(FormFields fields) const;
};
