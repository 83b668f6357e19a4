// A server's replies are untrusted: whatever it sends, the account of the
// dialogue and the failure text built from it must hold up. The number the
// user sees is a reply code the server really sent, libcurl's own code, or
// one of the component's documented numbers (SendOutcome.h); the text shows
// no control, format or line-separator character and stays short enough for
// a message box.
#pragma once

#include "mail/smtp/SendOutcome.h"
#include "mail/smtp/SmtpDialogue.h"
#include "mail/smtp/SmtpFailure.h"

#include <QByteArrayView>
#include <QList>
#include <QSet>
#include <QString>

namespace FuzzCheck {

// Longest text describeFailure may add around the pieces it quotes.
constexpr qsizetype kMaxFailureText = 3 * SmtpDialogue::kMaxReplyText + 400;

inline QString shownTextProblem(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("empty failure text");
    if (text.size() > kMaxFailureText)
        return QStringLiteral("failure text of %1 characters").arg(text.size());
    const QList<uint> codePoints = text.toUcs4(); // a lone surrogate comes out as U+FFFD
    if (!text.contains(QChar(QChar::ReplacementCharacter)) && codePoints.contains(0xfffd))
        return QStringLiteral("failure text holds a lone surrogate");
    for (const uint c : codePoints) {
        const auto kind = QChar::category(char32_t(c));
        if (kind == QChar::Other_Control || kind == QChar::Other_Format || kind == QChar::Separator_Line
            || kind == QChar::Separator_Paragraph)
            return QStringLiteral("failure text holds U+%1").arg(c, 4, 16, QLatin1Char('0'));
    }
    return {};
}

// The input, as a script: byte 0 holds flags (credentials, TLS from the
// start, name lookup finished), byte 1 picks libcurl's failure code, and the
// rest are lines: "C..." a command as libcurl sends it, "E..." libcurl's own
// error text, anything else a line from the server.
inline QString checkSmtpReplies(QByteArrayView bytes)
{
    if (bytes.size() < 2)
        return {};
    const auto flags = static_cast<unsigned char>(bytes[0]);
    const int curlCode = 1 + static_cast<unsigned char>(bytes[1]) % 98;
    SmtpDialogue dialogue;
    dialogue.credentials = (flags & 1) != 0;
    dialogue.tlsActive = (flags & 2) != 0;
    TransportError error{curlCode,        {}, 0, {QStringLiteral("smtp.example.org"), 25, false}, {},
                         (flags & 4) != 0};

    QSet<int> codesSent;
    bool stopped = false;
    for (QByteArrayView rest = bytes.sliced(2); !rest.isEmpty() && !stopped;) {
        const qsizetype end = rest.indexOf('\n');
        const QByteArrayView line = end < 0 ? rest : rest.first(end + 1);
        rest = rest.sliced(line.size());
        if (line.startsWith('C')) {
            dialogue.commandSent(line.sliced(1));
        } else if (line.startsWith('E')) {
            error.detail = QString::fromUtf8(line.sliced(1));
        } else {
            if (line.size() >= 3)
                codesSent.insert(line.first(3).toByteArray().toInt());
            stopped = !dialogue.replyLine(line);
        }
    }
    if (stopped && !dialogue.noAuthOffered)
        return QStringLiteral("the dialogue stopped without a reason");
    if (dialogue.noAuthOffered && !(dialogue.credentials && dialogue.tlsActive))
        return QStringLiteral("missing AUTH reported without credentials over TLS");
    for (const QString &piece : {dialogue.replyText, dialogue.argument})
        if (piece.size() > SmtpDialogue::kMaxReplyText)
            return QStringLiteral("a kept piece of %1 characters").arg(piece.size());

    const SendOutcome outcome = describeFailure(error, dialogue);
    if (outcome.ok())
        return QStringLiteral("a failure described as success");
    const int n = outcome.number;
    const bool ownNumber = n >= int(SendError::ServerInvalid) && n <= int(SendError::Internal);
    const bool refusal = n >= 400 && n <= 599 && codesSent.contains(n) && n == dialogue.replyCode;
    if (n != curlCode && !ownNumber && !refusal)
        return QStringLiteral("number %1 is neither a reply code sent, libcurl's %2 nor the component's own")
            .arg(n)
            .arg(curlCode);
    return shownTextProblem(outcome.description);
}

} // namespace FuzzCheck
