#pragma once

#include "FormFields.h"

#include <QByteArray>

#include <optional>

// The recovery copy's file: the nine field values as the window held them
// and when they were taken. JSON, so that any text (line breaks, NUL, any
// length) comes back exactly; never the user name or the password.
namespace RecoveryFormat {

struct Copy
{
    FormFields fields;
    qint64 takenAtMs = 0; // since the epoch: the newest of several copies wins
};

QByteArray encode(const Copy &copy);
// Nothing when data is not a copy this program wrote, whole and valid.
std::optional<Copy> decode(const QByteArray &data);

} // namespace RecoveryFormat
