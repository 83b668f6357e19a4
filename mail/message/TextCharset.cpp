#include "TextCharset.h"

#include <QStringDecoder>

#include <array>

namespace {

enum ByteClass : unsigned char { Plain = 0, Control = 1, High = 2, Undefined1252 = 4 };

constexpr std::array<unsigned char, 256> byteClasses()
{
    std::array<unsigned char, 256> classes{};
    for (int b = 0; b < 0x20; ++b)
        classes[size_t(b)] = Control;
    for (const int b : {0x09, 0x0A, 0x0C, 0x0D}) // tab, line feed, form feed, CR
        classes[size_t(b)] = Plain;
    classes[0x7f] = Control;
    for (int b = 0x80; b < 0x100; ++b)
        classes[size_t(b)] = High;
    for (const int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        classes[size_t(b)] = High | Undefined1252;
    return classes;
}

constexpr std::array<unsigned char, 256> kClasses = byteClasses();

// How many bytes at the end of bytes start a UTF-8 sequence that the piece
// cuts short (0 when it ends on a boundary or on bytes that are invalid
// anyway, which the decoder then reports).
qsizetype cutSequence(QByteArrayView bytes)
{
    for (qsizetype back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto b = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((b & 0xC0) == 0x80)
            continue; // a continuation byte: its lead is further back
        const qsizetype length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

} // namespace

void TextCharset::feed(QByteArrayView piece)
{
    if (m_start.size() < 2) {
        m_start += piece.first(std::min<qsizetype>(piece.size(), 2 - m_start.size()));
        m_utf16 = m_start == "\xFF\xFE" || m_start == "\xFE\xFF";
    }
    if (settled())
        return;
    unsigned char seen = Plain;
    for (const char c : piece)
        seen |= kClasses[static_cast<unsigned char>(c)];
    m_control = (seen & Control) != 0;
    m_undefinedIn1252 = m_undefinedIn1252 || (seen & Undefined1252) != 0;
    // An ASCII piece is valid UTF-8 unless it must finish a cut sequence.
    if ((seen & High) != 0 || !m_pending.isEmpty())
        checkUtf8(piece);
    m_high = m_high || (seen & High) != 0;
}

void TextCharset::checkUtf8(QByteArrayView piece)
{
    if (!m_utf8)
        return;
    // A copy only when the last piece cut a sequence, which is rare.
    QByteArray joined;
    if (!m_pending.isEmpty()) {
        joined.reserve(m_pending.size() + piece.size());
        joined.append(m_pending).append(piece);
        piece = joined;
    }
    const qsizetype cut = cutSequence(piece);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder(piece.first(piece.size() - cut));
    m_utf8 = !decoder.hasError();
    m_pending = piece.last(cut).toByteArray();
}

std::optional<QByteArray> TextCharset::charset() const
{
    if (m_utf16)
        return QByteArray("UTF-16");
    if (m_control)
        return std::nullopt;
    if (!m_high)
        return QByteArray("us-ascii");
    if (m_utf8 && m_pending.isEmpty())
        return QByteArray("UTF-8");
    if (m_undefinedIn1252)
        return std::nullopt;
    return QByteArray("windows-1252");
}
