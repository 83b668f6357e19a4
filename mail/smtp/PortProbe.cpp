#include "PortProbe.h"

#include <curl/curl.h>

#include <cerrno>

namespace {

size_t probeReply(char *data, size_t size, size_t count, void *userdata)
{
    const size_t n = size * count;
    return static_cast<PortProbe *>(userdata)->replyLine(data, n) ? n : 0;
}

} // namespace

void PortProbe::EasyDeleter::operator()(void *easy) const { curl_easy_cleanup(static_cast<CURL *>(easy)); }

PortProbe::PortProbe(const ServerAddress &address, const QString &caFile, int connectTimeoutMs)
    : m_easy(curl_easy_init()), m_address(address), m_url(address.url().toUtf8()),
      m_caFile(caFile.toLocal8Bit())
{
    if (!m_easy)
        return;
    CURLcode rc = CURLE_OK;
    const auto set = [&](CURLoption option, auto value) {
        if (rc == CURLE_OK)
            rc = curl_easy_setopt(m_easy.get(), option, value);
    };
    set(CURLOPT_URL, m_url.constData());
    set(CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    set(CURLOPT_NOSIGNAL, 1L);
    // Connecting is all the probe does: even if the greeting slipped past
    // the callback, no mail command could follow.
    set(CURLOPT_CONNECT_ONLY, 1L);
    set(CURLOPT_USE_SSL, long(CURLUSESSL_NONE));
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    set(CURLOPT_CONNECTTIMEOUT_MS, long(connectTimeoutMs));
    set(CURLOPT_HEADERFUNCTION, probeReply);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_PRIVATE, this);
    if (!m_caFile.isEmpty())
        set(CURLOPT_CAINFO, m_caFile.constData());
    if (rc == CURLE_OK)
        rc = static_cast<CURLcode>(TranscriptTap::install(m_easy.get(), &m_tap));
    if (rc != CURLE_OK)
        m_easy.reset();
}

PortProbe::~PortProbe() = default;

bool PortProbe::replyLine(const char *data, size_t size)
{
    const QByteArrayView line(data, qsizetype(size));
    m_replied = true;
    if (line.size() < 3 || (line.size() > 3 && line[3] == '-'))
        return true;
    m_outcome = line.startsWith("220") ? Outcome::Greeted : Outcome::Answered;
    // The greeting is all the probe wanted: stopping here ends the transfer
    // as failed, which closes the connection without a QUIT to wait for.
    return false;
}

void PortProbe::finish(int curlCode)
{
    m_finishedAt = Clock::now();
    m_code = curlCode;
    if (curl_easy_getinfo(m_easy.get(), CURLINFO_OS_ERRNO, &m_osErrno) != CURLE_OK)
        m_osErrno = 0;
    if (m_outcome != Outcome::Pending)
        return;
    // A certificate can only fail the check if a TLS server sent one: the
    // send will say what is wrong with it rather than that nobody answered.
    if (m_replied || curlCode == CURLE_PEER_FAILED_VERIFICATION)
        m_outcome = Outcome::Answered;
    else
        m_outcome = Outcome::Silent;
}

bool PortProbe::connected() const
{
    curl_off_t connectUs = 0;
    return curl_easy_getinfo(m_easy.get(), CURLINFO_CONNECT_TIME_T, &connectUs) == CURLE_OK && connectUs > 0;
}

QString PortProbe::failureText() const
{
    switch (static_cast<CURLcode>(m_code)) {
    case CURLE_COULDNT_CONNECT:
        return m_osErrno == ECONNREFUSED ? QStringLiteral("connessione rifiutata")
                                         : QStringLiteral("non raggiungibile");
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("nessuna risposta in tempo");
    case CURLE_SSL_CONNECT_ERROR:
        return QStringLiteral("connessione protetta non riuscita");
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return QStringLiteral("connessione chiusa senza saluto");
    case CURLE_WEIRD_SERVER_REPLY:
        return QStringLiteral("risposta non SMTP");
    default:
        return QStringLiteral("errore %1").arg(m_code);
    }
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
    if (m_outcome == Outcome::Silent)
        seen << failureText();
    else if (m_outcome == Outcome::Pending)
        seen << QStringLiteral("ancora senza risposta quando la porta è stata scelta");
    return QStringLiteral("* prova di %1%2: %3")
        .arg(m_address.display(), m_address.implicitTls ? QStringLiteral(" (TLS)") : QString(),
             seen.join(QStringLiteral("; ")));
}
