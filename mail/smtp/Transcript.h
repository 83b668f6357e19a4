#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <mutex>

// The account of one send that an administrator reads when it failed: the
// connections, our commands and the server's replies, TLS, the outcome. It
// keeps the last kMaxLines lines, each fit to show (see shownText()); with
// an echo, every line also goes to it as it is added: the program's
// standard error, which never waits for its reader. Secrets
// never reach it: TranscriptTap redacts what the client sends, and the
// session's CredentialMask what the server quotes back of the credentials,
// before adding. Any thread may add and read.
class Transcript
{
public:
    static constexpr qsizetype kMaxLines = 200;
    // The program's own function, also where this code runs in the module.
    using EchoLine = void (*)(QByteArrayView line);

    explicit Transcript(EchoLine echo = nullptr) : m_echo(echo) {}

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
    EchoLine m_echo;
};
