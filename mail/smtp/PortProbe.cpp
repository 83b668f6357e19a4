#include "PortProbe.h"

#include "ConnectionOptions.h"
#include "ReplyReader.h"
#include "SmtpFailure.h"
#include "SmtpTexts.h"

#include <curl/curl.h>

#include <cerrno>

namespace {

size_t probeReply(char *data, size_t size, size_t count, void *userdata)
{
    const size_t n = size * count;
    return static_cast<PortProbe *>(userdata)->replyLine(data, n) ? n : 0;
}

// Why a port that never greeted did not answer.
QString silentReason(int curlCode, long osErrno)
{
    switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_COULDNT_CONNECT:
        return smtpText(osErrno == ECONNREFUSED ? SmtpText::ProbeConnectionRefused
                                                : SmtpText::ProbeUnreachable);
    case CURLE_OPERATION_TIMEDOUT:
        return smtpText(SmtpText::ProbeTimedOut);
    case CURLE_SSL_CONNECT_ERROR:
        return smtpText(SmtpText::ProbeTlsNotEstablished);
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return smtpText(SmtpText::ProbeClosedWithoutGreeting);
    case CURLE_WEIRD_SERVER_REPLY:
        return smtpText(SmtpText::ProbeNotSmtp);
    default:
        return smtpText(SmtpText::ProbeOtherError).arg(curlCode);
    }
}

} // namespace

void PortProbe::EasyDeleter::operator()(void *easy) const { curl_easy_cleanup(static_cast<CURL *>(easy)); }

PortProbe::PortProbe(const ServerAddress &address, const QString &caFile, int connectTimeoutMs,
                     bool credentials)
    : m_easy(curl_easy_init()), m_address(address), m_credentials(credentials),
      m_errorText(std::make_unique<char[]>(CURL_ERROR_SIZE))
{
    if (!m_easy)
        return;
    // STARTTLS only where credentials need it, and tried rather than
    // required: a server without it stays connected for its QUIT.
    const auto startTls = credentials && !address.implicitTls ? ConnectionSettings::StartTls::IfOffered
                                                              : ConnectionSettings::StartTls::Never;
    CURLcode rc = CURLcode(setConnectionOptions(m_easy.get(), {address, caFile, connectTimeoutMs, startTls}));
    const auto set = [&](CURLoption option, auto value) {
        if (rc == CURLE_OK)
            rc = curl_easy_setopt(m_easy.get(), option, value);
    };
    // Connecting is all the transfer does (greeting, EHLO, STARTTLS; no
    // AUTH without a user name): the goodbye is written by hand after it.
    set(CURLOPT_CONNECT_ONLY, 1L);
    set(CURLOPT_HEADERFUNCTION, probeReply);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_PRIVATE, this);
    set(CURLOPT_ERRORBUFFER, m_errorText.get());
    if (rc == CURLE_OK)
        rc = static_cast<CURLcode>(TranscriptTap::install(m_easy.get(), &m_tap));
    if (rc != CURLE_OK)
        m_easy.reset();
}

PortProbe::~PortProbe() = default;

bool PortProbe::replyLine(const char *data, size_t size)
{
    m_replied = true;
    if (m_reader.read(QByteArrayView(data, qsizetype(size))) == ReplyReader::Line::Last)
        replyComplete();
    return true;
}

void PortProbe::replyComplete()
{
    // The probe says nothing but what libcurl says while connecting, so a
    // reply's place tells what it answers: the greeting, EHLO, STARTTLS,
    // then EHLO again over TLS.
    const int answer = m_reader.replies() - 1;
    const int code = m_reader.code();
    if (answer == 1)
        m_startTlsOffered = m_reader.offersStartTls();
    if (answer == (m_address.implicitTls ? 1 : 3))
        m_authOffered = m_reader.offersAuth();
    if (answer == 0) {
        m_greeted = code == 220;
        if (!m_greeted) {
            m_outcome = Outcome::Answered;
            m_refusal = {qint16(code), smtpText(SmtpText::ProbeGreetingRefused).arg(m_reader.text())};
        } else if (!m_credentials) {
            becomeFit(); // a greeting is all a send without credentials needs
        }
    } else if (answer == 2 && m_startTlsOffered && !m_address.implicitTls) {
        m_startTlsReply = code;
        if (code != 220)
            m_refusal = {qint16(code), smtpText(SmtpText::ProbeStartTlsRefused).arg(m_reader.text())};
    }
}

void PortProbe::becomeFit()
{
    m_outcome = Outcome::Fit;
    m_fitAt = Clock::now();
}

void PortProbe::finish(int curlCode)
{
    m_code = curlCode;
    m_finished = true;
    if (curl_easy_getinfo(m_easy.get(), CURLINFO_OS_ERRNO, &m_osErrno) != CURLE_OK)
        m_osErrno = 0;
    if (curlCode == CURLE_OK)
        finishConnected();
    else
        finishFailed();
}

void PortProbe::finishConnected()
{
    m_goodbye = Goodbye::Due;
    if (m_outcome != Outcome::Pending)
        return;
    // With CONNECT_ONLY, success after a 220 to STARTTLS means the handshake
    // that followed verified; on 465 it came before the greeting.
    const bool tls = m_address.implicitTls || m_startTlsReply == 220;
    if (!m_credentials || (tls && m_authOffered)) {
        becomeFit();
        return;
    }
    m_outcome = Outcome::Unfit;
    if (tls)
        m_refusal = SendOutcome::failure(SendError::NoAuthOffered, smtpText(SmtpText::ProbeNoAuth));
    else if (!m_startTlsOffered)
        m_refusal = {qint16(CURLE_USE_SSL_FAILED), smtpText(SmtpText::ProbeNoStartTls)};
}

void PortProbe::finishFailed()
{
    if (m_outcome != Outcome::Pending)
        return;
    const QString detail = shownText(QString::fromUtf8(
        m_errorText[0] != '\0' ? m_errorText.get() : curl_easy_strerror(static_cast<CURLcode>(m_code))));
    const auto code = qint16(m_code);
    if (m_code == CURLE_RECV_ERROR && ReplyReader::cutByLibcurl(detail)) {
        m_outcome = m_greeted ? Outcome::Unfit : Outcome::Answered;
        m_refusal = {code, smtpText(SmtpText::ProbeReplyTooLong)};
    } else if (m_code == CURLE_PEER_FAILED_VERIFICATION) {
        // A certificate can only fail the check if a TLS server sent one.
        m_outcome = Outcome::Answered;
        m_refusal = {code, smtpText(SmtpText::ProbeCertificateRefused).arg(detail)};
    } else if (m_greeted) {
        m_outcome = Outcome::Unfit;
        m_refusal = {code, smtpText(SmtpText::ProbeTlsFailed).arg(detail)};
    } else {
        m_outcome = m_replied ? Outcome::Answered : Outcome::Silent;
        m_refusal = {code, silentReason(m_code, m_osErrno)};
    }
}

bool PortProbe::connected() const
{
    curl_off_t connectUs = 0;
    return curl_easy_getinfo(m_easy.get(), CURLINFO_CONNECT_TIME_T, &connectUs) == CURLE_OK && connectUs > 0;
}

qintptr PortProbe::socket() const
{
    curl_socket_t s = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(m_easy.get(), CURLINFO_ACTIVESOCKET, &s) != CURLE_OK)
        return -1;
    return s == CURL_SOCKET_BAD ? -1 : qintptr(s);
}

void PortProbe::continueGoodbye()
{
    if (m_goodbye == Goodbye::Due) {
        static constexpr char quit[] = "QUIT\r\n";
        size_t sent = 0;
        // Six bytes on an idle connection: a short write does not happen.
        const CURLcode rc = curl_easy_send(m_easy.get(), quit, sizeof quit - 1, &sent);
        m_goodbye = rc == CURLE_OK && sent == sizeof quit - 1 ? Goodbye::Said : Goodbye::Over;
    }
    while (m_goodbye == Goodbye::Said) {
        char buffer[512];
        size_t got = 0;
        const CURLcode rc = curl_easy_recv(m_easy.get(), buffer, sizeof buffer, &got);
        if (rc == CURLE_AGAIN)
            return;
        if (rc != CURLE_OK || got == 0) {
            m_goodbye = Goodbye::Over;
            return;
        }
        m_goodbyeReply.append(buffer, qsizetype(got));
        if (goodbyeAnswered() || m_goodbyeReply.size() > kMaxGoodbyeBytes)
            m_goodbye = Goodbye::Over;
    }
}

bool PortProbe::goodbyeAnswered()
{
    // Over at the last line of the reply ("221 ..."), whatever it says.
    qsizetype end = m_goodbyeReply.indexOf('\n', m_goodbyeScanned);
    while (end >= 0) {
        const QByteArrayView line
            = QByteArrayView(m_goodbyeReply).sliced(m_goodbyeScanned, end + 1 - m_goodbyeScanned);
        m_goodbyeScanned = end + 1;
        if (ReplyReader::kind(line) == ReplyReader::Line::Last)
            return true;
        end = m_goodbyeReply.indexOf('\n', m_goodbyeScanned);
    }
    return false;
}

QString PortProbe::summary() const
{
    QStringList seen;
    for (const QString &line : m_seen) {
        // The address heads the line already, and every probe hangs up.
        const QString words = line.startsWith(u"* ") ? line.mid(2) : line;
        if (!words.startsWith(u"connessione") && !words.startsWith(u"connesso a "))
            seen << words;
    }
    if (m_outcome == Outcome::Pending)
        seen << smtpText(SmtpText::ProbeStillPending);
    else if (m_outcome != Outcome::Fit && !m_refusal.description.isEmpty())
        seen << m_refusal.description;
    return smtpText(SmtpText::ProbeSummary)
        .arg(m_address.display(), m_address.implicitTls ? QStringLiteral(" (TLS)") : QString(),
             seen.join(QStringLiteral("; ")));
}
