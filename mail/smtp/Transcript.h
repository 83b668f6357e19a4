#pragma once

#include <QString>
#include <QStringList>

#include <mutex>

// The account of one send that an administrator reads when it failed: the
// connections, our commands and the server's replies, TLS, the outcome. It
// keeps the last kMaxLines lines, each fit to show (see shownText()); with
// echo on, every line also goes to standard error as it is added. Secrets
// never reach it: TranscriptTap redacts what the client sends, and the
// session's CredentialMask what the server quotes back of the credentials,
// before adding. Any thread may add and read.
class Transcript
{
public:
    static constexpr qsizetype kMaxLines = 200;

    explicit Transcript(bool echo = false) : m_echo(echo) {}

    void add(const QString &line);
    // The kept lines, oldest first, with a first line saying how many older
    // ones were left out, if any.
    QStringList lines() const;
    // lines(), one per text line.
    QString text() const;

private:
    mutable std::mutex m_lock;
    QStringList m_lines;
    qsizetype m_dropped = 0;
    bool m_echo;
};
