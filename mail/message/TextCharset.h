#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Judges the charset of a text file from all of its bytes, fed in pieces of
// any size in file order, so that a file of any length is read once without
// being held in memory.
class TextCharset
{
public:
    // Takes the next piece of the file.
    void feed(QByteArrayView piece);
    // True once no further byte can change charset() (a byte-order mark or a
    // control character was seen): the rest need not be read.
    bool settled() const { return m_utf16 || m_control; }
    // The charset the bytes fed so far, taken as the whole file, can honestly
    // be declared in: "UTF-16" after a UTF-16 byte-order mark; none when a
    // control character other than tab, line and form feed or CR occurs;
    // "us-ascii" for ASCII; "UTF-8" when valid UTF-8; else "windows-1252"
    // unless a byte Windows-1252 leaves undefined occurs.
    std::optional<QByteArray> charset() const;

private:
    void checkUtf8(QByteArrayView piece);

    QByteArray m_start;   // the first two bytes, for the byte-order mark
    QByteArray m_pending; // a UTF-8 sequence cut by the end of the last piece
    bool m_utf16 = false;
    bool m_control = false;
    bool m_high = false;
    bool m_undefinedIn1252 = false;
    bool m_utf8 = true;
};
