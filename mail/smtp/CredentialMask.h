#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// What of a send's credentials must never be shown, in whatever form the
// server quotes it back: the password in clear, the base64 of the user name
// and of the password, the payloads the client wrote while authenticating
// (PLAIN, LOGIN, the CRAM-MD5 response, which depends on the server's
// challenge) and what they carry. The user name in clear is no secret. Every
// piece of server text on its way to the user goes through it; each secret
// found becomes "****", as in the transcript's own redacted lines. Texts are
// searched as the user reads them (shownText()'s spaces for what it cannot
// show, its trimmed ends): a secret is found in the server's words before
// they are cleaned for display and after. Belongs to one conversation and to
// its thread; its copies of the secrets are overwritten when it goes.
class CredentialMask
{
public:
    static constexpr QStringView kMarker = u"****";

    // A mask that hides nothing.
    CredentialMask() = default;
    // username and password as libcurl gets them (UTF-8).
    CredentialMask(QByteArrayView username, QByteArrayView password);
    ~CredentialMask();
    CredentialMask(const CredentialMask &) = delete;
    CredentialMask &operator=(const CredentialMask &) = delete;

    // A command line as libcurl writes it; inAuth: the AUTH exchange is
    // under way, so a line that opens no command is a SASL payload.
    void commandSent(QByteArrayView line, bool inAuth);

    // text with every secret in it hidden.
    QString masked(const QString &text) const;
    // The lines of one reply, their first prefix characters (the code) kept
    // and not searched: a secret the server split over two lines is hidden
    // in both.
    QStringList maskedReply(const QStringList &lines, qsizetype prefix) const;
    // A reply as the session's dialogue keeps it: its lines joined with a
    // space, each with its code; the codes stay, and a text cut short
    // ("…" at the end) loses whatever start of a secret it ends with.
    QString maskedJoinedReply(const QString &text) const;

private:
    void add(QString secret);
    void addBase64(QByteArray bytes);
    void payloadSent(QByteArrayView payload);
    // Which characters of text belong to a secret; only the characters where
    // searched is true are searched, as if the others were not there, and
    // where they are left out a line ends.
    QList<bool> hiddenChars(const QString &text, const QList<bool> &searched) const;

    QList<QString> m_secrets; // as shownText() shows them, blanks included
    QByteArray m_username;
};
