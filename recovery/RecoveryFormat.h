#pragma once

#include "MailFields.h"

#include <QByteArray>

#include <optional>

// The recovery copy's file: the nine field values as the window held them,
// where they stand in the order of copies and stores (RecoveryOrder) and
// when they were taken. JSON, so that any text (line breaks, NUL, any
// length) comes back exactly; never the user name or the password. Read
// across versions: a key a copy lacks is an empty field (order 0, not
// stored, not sent), a key it has that this version does not know is left
// aside; only a file that is no copy of this format at all is refused.
namespace RecoveryFormat {

// No copy the program writes is bigger: the seven one-line boxes full
// (ComposerLayout::lineBoxLimit characters each, three bytes at most once
// encoded but for escaped control characters) leave room for a body of some
// twenty million characters. A bigger file is not read, and a bigger copy is
// not written (the close still stores the fields).
inline constexpr qint64 largestCopy = qint64(96) * 1024 * 1024;

struct Copy
{
    MailFields fields;
    qint64 takenAtMs = 0; // since the epoch: for the user's eyes, and between copies of one order
    qint64 order = 0;     // the newest of several copies, or than the settings, wins
    // The fields are the ones a close stored as order while another window
    // was open: the copy stays until a start finds them still stored.
    bool stored = false;
    // The fields are the ones of a message the window sent, unchanged since:
    // no draft to bring back.
    bool sent = false;
};

QByteArray encode(const Copy &copy);
// Nothing when data is not a JSON object of this format.
std::optional<Copy> decode(const QByteArray &data);

} // namespace RecoveryFormat
