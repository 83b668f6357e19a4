#include "TranscriptTap.h"

#include "SmtpTexts.h"

#include <QRegularExpression>

#include <curl/curl.h>

#include <algorithm>
#include <vector>

namespace {

int tapTrace(CURL * /*handle*/, curl_infotype type, char *data, size_t size, void *userdata)
{
    static_cast<TranscriptTap *>(userdata)->seen(int(type), QByteArrayView(data, qsizetype(size)));
    return 0;
}

QByteArrayView withoutLineEnd(QByteArrayView line)
{
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r'))
        line.chop(1);
    return line;
}

// What of libcurl's remarks a transcript keeps, and in which words; the
// rest (handshake steps, buffer sizes, the CA file) is noise to the reader.
struct Remark
{
    QRegularExpression pattern;
    SmtpText words; // %1, %2, ... the pattern's captures
};

// Never destroyed: made on a send's thread after the exit handler that waits
// for the send threads was registered, a static would be torn down before
// that wait, under a send still winding down.
const std::vector<Remark> &remarks()
{
    const auto re = [](const char *pattern) { return QRegularExpression(QLatin1String(pattern)); };
    static const auto *const table = new std::vector<Remark>{
        {re(R"(^\s*Trying (.+?)\.*$)"), SmtpText::RemarkConnecting},
        {re(R"(^Connected to (\S+) \((.*)\) port (\d+))"), SmtpText::RemarkConnected},
        {re(R"(^Failed to connect to (\S+) port (\d+)[^:]*: (.*)$)"), SmtpText::RemarkConnectFailed},
        {re(R"(^SSL connection using (.*)$)"), SmtpText::RemarkTls},
        {re(R"(^\s*subject: (.*)$)"), SmtpText::RemarkSubject},
        {re(R"(^\s*issuer: (.*)$)"), SmtpText::RemarkIssuer},
        {re(R"(^\s*SSL certificate verify ok)"), SmtpText::RemarkVerified},
        {re(R"(^SSL certificate problem: (.*)$)"), SmtpText::RemarkCertificateBad},
        {re(R"(^\s*SSL: (.*)$)"), SmtpText::RemarkCertificateBad},
        {re(R"(^(?:OpenSSL|TLS connect error|error:)(.*)$)"), SmtpText::RemarkTlsFailed},
        {re(R"(^STARTTLS not (?:supported|available))"), SmtpText::RemarkNoStartTls},
        {re(R"(^(?:Recv|Send) failure: (.*)$)"), SmtpText::RemarkBroken},
        {re(R"(^(?:Connection|Operation) timed out(.*)$)"), SmtpText::RemarkTimedOut},
        {re(R"(^Closing connection)"), SmtpText::RemarkClosed},
    };
    return *table;
}

bool isAuthContinuation(QByteArrayView verb)
{
    // Anything that is not the next command is a SASL line (or its "*"
    // cancel), and a secret.
    static constexpr const char *commands[] = {"MAIL", "QUIT", "EHLO", "HELO", "RSET", "AUTH"};
    return std::ranges::none_of(commands, [verb](const char *command) { return verb == command; });
}

} // namespace

int TranscriptTap::install(void *easy, TranscriptTap *tap)
{
    auto *handle = static_cast<CURL *>(easy);
    CURLcode rc = curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, tapTrace);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(handle, CURLOPT_DEBUGDATA, tap);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
    return int(rc);
}

void TranscriptTap::seen(int type, QByteArrayView data)
{
    if (!m_sink)
        return;
    switch (type) {
    case CURLINFO_DATA_OUT:
        m_messageBytes += data.size();
        return;
    case CURLINFO_HEADER_OUT:
        flush();
        command(withoutLineEnd(data));
        return;
    case CURLINFO_HEADER_IN:
        flushMessage();
        reply(withoutLineEnd(data));
        return;
    case CURLINFO_TEXT: {
        flush();
        const QString remark = connectionRemark(QString::fromUtf8(withoutLineEnd(data)));
        if (!remark.isEmpty())
            write(QStringLiteral("* ") + remark);
        return;
    }
    default:
        return; // raw bytes, encrypted or not, are never shown
    }
}

void TranscriptTap::flush()
{
    flushMessage();
    flushUnshown();
}

void TranscriptTap::flushUnshown()
{
    if (m_unshownLines > 0)
        write(QStringLiteral("S: ") + smtpText(SmtpText::TranscriptRepliesHidden).arg(m_unshownLines));
    m_unshownLines = 0;
}

void TranscriptTap::flushMessage()
{
    if (m_messageBytes == 0)
        return;
    // Grouped by hand, as Italian writes it (2.737.809): no locale object on
    // a thread that may still run while the process exits.
    QString digits = QString::number(m_messageBytes);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u'.');
    write(QStringLiteral("C: ") + smtpText(SmtpText::TranscriptMessageBytes).arg(digits));
    m_messageBytes = 0;
}

QString TranscriptTap::connectionRemark(const QString &text)
{
    for (const Remark &remark : remarks()) {
        const QRegularExpressionMatch match = remark.pattern.match(text);
        if (!match.hasMatch())
            continue;
        // Each %N once, by hand: a certificate's subject may hold a "%2" of
        // its own, which QString::arg() would fill in too.
        QString words;
        const QString pattern = smtpText(remark.words);
        for (qsizetype i = 0; i < pattern.size(); ++i) {
            if (pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1].isDigit())
                words += match.captured(pattern[++i].digitValue()).trimmed();
            else
                words += pattern[i];
        }
        return words;
    }
    return {};
}

void TranscriptTap::command(QByteArrayView line)
{
    const qsizetype space = line.indexOf(' ');
    const QByteArray verb = (space < 0 ? line : line.first(space)).toByteArray().toUpper();
    if (m_inAuth && isAuthContinuation(verb)) {
        write(QStringLiteral("C: ****"));
        return;
    }
    if (verb == "AUTH") {
        // The mechanism is worth knowing; an initial response is a secret.
        m_inAuth = true;
        const QByteArrayView rest = space < 0 ? QByteArrayView() : line.sliced(space + 1).trimmed();
        const qsizetype mechanismEnd = rest.indexOf(' ');
        const QByteArrayView mechanism = mechanismEnd < 0 ? rest : rest.first(mechanismEnd);
        write(QStringLiteral("C: AUTH ") + QString::fromUtf8(mechanism)
              + (mechanismEnd < 0 ? QString() : QStringLiteral(" ****")));
        return;
    }
    m_inAuth = false;
    write(QStringLiteral("C: ") + QString::fromUtf8(line));
}

void TranscriptTap::reply(QByteArrayView line)
{
    if (m_inAuth) {
        // A 334 carries a challenge (or, for some methods, what the server
        // knows of the user): its text stays out. Any other reply ends the
        // exchange and is shown as it came.
        if (line.startsWith("334")) {
            write(QStringLiteral("S: 334 ****"));
            return;
        }
        m_inAuth = false;
    }
    const bool continued = m_replies.read(line) == ReplyReader::Line::Continued;
    if (continued && m_replies.lines() > ReplyReader::kShownLines) {
        ++m_unshownLines;
        return;
    }
    if (!continued)
        flushUnshown();
    write(QStringLiteral("S: ") + QString::fromUtf8(line));
}

void TranscriptTap::write(const QString &line) const { m_sink(line); }
