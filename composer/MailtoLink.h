#pragma once

#include "common/MailFields.h"

#include <QString>

#include <optional>

// A mailto: link (RFC 6068) as the composer uses it: the fields the field
// table lets a link fill, each from the link's field of its linkName; the
// addresses of the path go with "to".
struct MailtoLink
{
    MailFields fields; // only the ones a link fills

    bool operator==(const MailtoLink &) const = default;

    // Decodes link ("mailto:" in any case, then the path and the "?name=value&..."
    // fields). Every part is percent-decoded as UTF-8 and "+" stays "+".
    // Addresses from the path and every "to" (likewise every "cc", every
    // "bcc") are joined with ", "; a comma inside a quoted string or a comment
    // belongs to its address. The body's line breaks (CRLF or CR) become "\n". The first
    // "subject" and "body" count; field names are matched in any case and
    // fields with other names are ignored. Returns nothing when link is not a
    // mailto: link, holds a '%' not followed by two hex digits, decodes to
    // something that is not UTF-8, or gives a one-line field a control
    // character other than a tab, or the body one other than a tab or a line break.
    static std::optional<MailtoLink> parse(const QString &link);

    // The fields of a new message to the link's addresses: the ones a link
    // fills (recipient, CC, BCC, subject and body) replaced by the link's, also
    // when empty; the rest as in message.
    MailFields over(MailFields message) const;
};
