#pragma once

#include "MailFields.h"

#include <QByteArray>

#include <optional>

// The recovery copy's file: the nine field values as the window held them,
// when they were taken, and what the settings held when the window that
// wrote it took them in (the stamp of those fields; empty when the window
// did not start from the settings). JSON, so that any text (line breaks,
// NUL, any length) comes back exactly; never the user name or the password.
// Read across versions: a key a copy lacks is an empty field, a key it has
// that this version does not know is left aside; only a file that is no
// copy of this format at all is refused.
namespace RecoveryFormat {

// The seven one-line boxes full leave room for a body of some twenty
// million characters: a bigger file is neither read nor written.
inline constexpr qint64 largestCopy = qint64(96) * 1024 * 1024;

struct Copy
{
    MailFields fields;
    qint64 takenAtMs = 0; // since the epoch: the newest of several drafts wins
    QByteArray base;      // stamp() of the settings the window started from
    // The fields are the ones of a message the window sent, unchanged since:
    // no draft to bring back.
    bool sent = false;
};

QByteArray encode(const Copy &copy);
// Nothing when data is not a JSON object of this format.
std::optional<Copy> decode(const QByteArray &data);
// The same for the same fields, and for no others: what a copy says of the
// settings it started from.
QByteArray stamp(const MailFields &fields);

} // namespace RecoveryFormat
