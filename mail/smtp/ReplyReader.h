#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The server's replies as libcurl hands them over, one line at a time: the
// send, the probe of a port and the transcript all read them here, so that
// they never disagree on where a reply ends or on what it offered. Replies
// are untrusted: what is kept of them is fit to show and bounded in size.
class ReplyReader
{
public:
    enum class Line {
        Other,     // not a reply line: no three digits at its start
        Continued, // a reply line that more lines follow ("250-...")
        Last,      // the reply's last line ("250 ..." or "250")
    };

    // At most this many characters of one reply are kept for the user.
    static constexpr qsizetype kMaxText = 600;
    // Of one reply, the lines a transcript shows; a count stands for the
    // rest, so that a reply of thousands of lines leaves the dialogue before
    // it in the transcript's last lines.
    static constexpr int kShownLines = 40;

    ReplyReader() = default;
    // Overwrites what is kept of the server's words, which may quote the
    // credentials.
    ~ReplyReader() { wipe(); }
    ReplyReader(const ReplyReader &) = default;
    ReplyReader &operator=(const ReplyReader &) = default;

    // As libcurl tells them apart: three digits start a reply line, and a
    // space or nothing after them (line end aside) makes it the last.
    static Line kind(QByteArrayView line);

    // Whether libcurl's words (its error buffer) say that the server's
    // replies went past what libcurl takes. Debian 12's libcurl 7.88.1
    // counts every reply line against one budget for the whole conversation
    // (300 KiB), and while it reads the answer to EHLO it counts again, for
    // each line, all that the same read brought after it: about 90 lines of
    // 80 characters use it up. It then closes the connection with its code
    // 56, as for a broken one; lines() tells how far the reply had come.
    static bool cutByLibcurl(const QString &curlDetail);

    // One line, its line end or not; returns its kind. A reply line after a
    // last one starts a new reply.
    Line read(QByteArrayView line);

    // The last complete reply: its code (0 before any) and its lines joined.
    int code() const { return m_code; }
    const QString &text() const { return m_text; }
    // Complete replies so far.
    int replies() const { return m_replies; }
    // Lines of the reply under way, or of the last one once it is complete.
    int lines() const { return m_lines; }
    // What the lines of that reply offered, as the answer to EHLO lists it.
    bool offersStartTls() const { return m_startTls; }
    bool offersAuth() const { return m_auth; }
    const QStringList &authMechanisms() const { return m_mechanisms; }

private:
    void wipe();
    void startReply();
    void readCapability(const QString &words);

    QString m_pending; // the reply under way, so far
    QString m_text;
    int m_code = 0;
    int m_replies = 0;
    int m_lines = 0;
    bool m_inReply = false;
    bool m_startTls = false;
    bool m_auth = false;
    QStringList m_mechanisms;
};

// Text that came from the network, fit to show in a message box: control,
// format and line-separator characters become spaces, the ends are trimmed,
// and at most maxChars characters are kept ("…" marks a cut).
QString shownText(const QString &text, qsizetype maxChars = ReplyReader::kMaxText);
// The first step of shownText() alone: text with the characters unfit to
// show turned into spaces (a pair of surrogates into two), as long as text.
QString withUnfitAsSpaces(const QString &text);
