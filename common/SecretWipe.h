#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>

// Forgetting a secret: its characters are overwritten before its memory is
// let go, so no freed block keeps it. A buffer still shared with another
// holder is only let go: that copy is the other holder's to wipe.
namespace SecretWipe {

inline void overwrite(void *data, std::size_t bytes)
{
    // Through a volatile pointer, so the stores are not dropped as dead.
    auto *p = static_cast<volatile unsigned char *>(data);
    for (std::size_t i = 0; i < bytes; ++i)
        p[i] = 0;
}

// Overwrites and empties text.
inline void wipe(QString &text)
{
    if (!text.data_ptr().needsDetach())
        overwrite(text.data(), std::size_t(text.size()) * sizeof(QChar));
    text.clear();
}

// Overwrites and empties bytes.
inline void wipe(QByteArray &bytes)
{
    if (!bytes.data_ptr().needsDetach())
        overwrite(bytes.data(), std::size_t(bytes.size()));
    bytes.clear();
}

} // namespace SecretWipe
