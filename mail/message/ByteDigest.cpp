#include "ByteDigest.h"

#include <QHashFunctions>

void ByteDigest::add(QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        // Whole blocks straight from the input; only a tail is copied.
        if (m_partial.isEmpty() && bytes.size() >= kBlock) {
            m_chain = qHashBits(bytes.data(), size_t(kBlock), m_chain);
            bytes = bytes.sliced(kBlock);
            continue;
        }
        const qsizetype take = std::min(bytes.size(), kBlock - m_partial.size());
        m_partial.append(bytes.first(take));
        bytes = bytes.sliced(take);
        if (m_partial.size() == kBlock) {
            m_chain = qHashBits(m_partial.constData(), size_t(kBlock), m_chain);
            m_partial.clear();
        }
    }
}

size_t ByteDigest::value() const
{
    return qHashBits(m_partial.constData(), size_t(m_partial.size()), m_chain);
}
