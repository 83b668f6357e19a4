#include "SmtpSession.h"

#include "MessageSource.h"
#include "SmtpDialogue.h"
#include "SmtpFailure.h"

#include <curl/curl.h>

#ifdef Q_OS_WIN
#include <winsock2.h>
constexpr int kShutdownBoth = SD_BOTH;
#else
#include <sys/socket.h>
constexpr int kShutdownBoth = SHUT_RDWR;
#endif

namespace {

struct EasyDeleter
{
    void operator()(CURL *h) const { curl_easy_cleanup(h); }
};
struct ListDeleter
{
    void operator()(curl_slist *l) const { curl_slist_free_all(l); }
};
using EasyPtr = std::unique_ptr<CURL, EasyDeleter>;
using ListPtr = std::unique_ptr<curl_slist, ListDeleter>;

struct Transfer
{
    SmtpSession *session;
    MessageSource *source;
    const SmtpSession::Progress *progress;
    SmtpDialogue dialogue;
};

size_t readMessage(char *buffer, size_t size, size_t count, void *userdata)
{
    auto *t = static_cast<Transfer *>(userdata);
    if (t->session->aborted())
        return CURL_READFUNC_ABORT;
    // The source hands out one encoded piece (~88 KB) per read; filling all
    // of libcurl's upload buffer instead means one trip through its send
    // loop (poll, escaping, send, progress) per buffer rather than per piece.
    const auto room = static_cast<qint64>(size) * static_cast<qint64>(count);
    qint64 filled = 0;
    while (filled < room) {
        const qint64 n = t->source->read(buffer + filled, room - filled);
        if (n < 0)
            return CURL_READFUNC_ABORT;
        if (n == 0)
            break;
        filled += n;
    }
    if (*t->progress)
        (*t->progress)(t->source->delivered(), t->source->size());
    return size_t(filled);
}

size_t replyLine(char *data, size_t size, size_t count, void *userdata)
{
    auto *t = static_cast<Transfer *>(userdata);
    const size_t n = size * count;
    return t->dialogue.replyLine(QByteArrayView(data, qsizetype(n))) ? n : 0;
}

int debugTrace(CURL * /*handle*/, curl_infotype type, char *data, size_t size, void *userdata)
{
    if (type == CURLINFO_HEADER_OUT)
        static_cast<Transfer *>(userdata)->dialogue.commandSent(QByteArrayView(data, qsizetype(size)));
    return 0;
}

int transferInfo(void *userdata, curl_off_t /*dltotal*/, curl_off_t /*dlnow*/, curl_off_t /*ultotal*/,
                 curl_off_t /*ulnow*/)
{
    return static_cast<Transfer *>(userdata)->session->aborted() ? 1 : 0;
}

long seconds(int ms) { return (ms + 999) / 1000; }

} // namespace

void SmtpSession::MultiDeleter::operator()(void *multi) const
{
    curl_multi_cleanup(static_cast<CURLM *>(multi));
}

bool SmtpSession::initialise()
{
    static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
    return result == CURLE_OK;
}

QString SmtpSession::libraryVersion()
{
    const curl_version_info_data *curl = curl_version_info(CURLVERSION_NOW);
    return QStringLiteral("libcurl %1 (%2)")
        .arg(QString::fromLatin1(curl->version),
             QString::fromLatin1(curl->ssl_version ? curl->ssl_version : "senza TLS"));
}

SmtpSession::SmtpSession() : m_multi(curl_multi_init()) {}
SmtpSession::~SmtpSession() = default;

void SmtpSession::abort()
{
    m_abort = true;
    if (m_multi)
        curl_multi_wakeup(static_cast<CURLM *>(m_multi.get()));
}

SendOutcome SmtpSession::run(const Settings &s, MessageSource &source, const Progress &progress)
{
    auto *multi = static_cast<CURLM *>(m_multi.get());
    EasyPtr easy(curl_easy_init());
    if (!multi || !easy)
        return SendOutcome::failure(SendError::Internal, QStringLiteral("Impossibile avviare l'invio."));

    Transfer t{this, &source, &progress, {}};
    t.dialogue.tlsActive = s.server.implicitTls;
    t.dialogue.credentials = !s.username.isEmpty();

    ListPtr recipients;
    for (const QByteArray &r : s.recipients) {
        curl_slist *grown = curl_slist_append(recipients.get(), ('<' + r + '>').constData());
        if (!grown)
            return SendOutcome::failure(SendError::Internal, QStringLiteral("Memoria insufficiente."));
        (void)recipients.release();
        recipients.reset(grown);
    }

    char errorText[CURL_ERROR_SIZE] = {};
    CURLcode rc = CURLE_OK;
    const auto set = [&](CURLoption option, auto value) {
        if (rc == CURLE_OK)
            rc = curl_easy_setopt(easy.get(), option, value);
    };
    const QByteArray url = s.server.url().toUtf8();
    const QByteArray mailFrom = '<' + s.mailFrom + '>';
    const QByteArray caFile = s.caFile.toLocal8Bit();
    set(CURLOPT_ERRORBUFFER, errorText);
    set(CURLOPT_URL, url.constData());
    set(CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_MAIL_FROM, mailFrom.constData());
    set(CURLOPT_MAIL_RCPT, recipients.get());
    set(CURLOPT_UPLOAD, 1L);
    set(CURLOPT_INFILESIZE_LARGE, curl_off_t(source.size()));
    set(CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024);
    set(CURLOPT_READFUNCTION, readMessage);
    set(CURLOPT_READDATA, &t);
    set(CURLOPT_HEADERFUNCTION, replyLine);
    set(CURLOPT_HEADERDATA, &t);
    set(CURLOPT_DEBUGFUNCTION, debugTrace);
    set(CURLOPT_DEBUGDATA, &t);
    set(CURLOPT_VERBOSE, 1L);
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, transferInfo);
    set(CURLOPT_XFERINFODATA, &t);
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    // Credentials never travel in clear text: without TLS the send stops.
    set(CURLOPT_USE_SSL, long(s.username.isEmpty() ? CURLUSESSL_TRY : CURLUSESSL_ALL));
    set(CURLOPT_CONNECTTIMEOUT_MS, long(s.connectTimeoutMs));
    set(CURLOPT_SERVER_RESPONSE_TIMEOUT, seconds(s.stallTimeoutMs));
    set(CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(CURLOPT_LOW_SPEED_TIME, seconds(s.stallTimeoutMs));
    if (!caFile.isEmpty())
        set(CURLOPT_CAINFO, caFile.constData());
    if (!s.username.isEmpty()) {
        set(CURLOPT_USERNAME, s.username.constData());
        set(CURLOPT_PASSWORD, s.password.constData());
        set(CURLOPT_SASL_IR, 1L);
    }
    if (rc != CURLE_OK)
        return SendOutcome::failure(SendError::Internal,
                                    QStringLiteral("Impossibile preparare l'invio: %1.")
                                        .arg(QString::fromUtf8(curl_easy_strerror(rc))));

    if (CURLMcode mc = curl_multi_add_handle(multi, easy.get()); mc != CURLM_OK)
        return SendOutcome::failure(SendError::Internal, QString::fromUtf8(curl_multi_strerror(mc)));

    CURLcode result = CURLE_OK;
    bool finished = false;
    while (!finished && !aborted()) {
        int running = 0;
        CURLMcode mc = curl_multi_perform(multi, &running);
        int pending = 0;
        while (CURLMsg *msg = curl_multi_info_read(multi, &pending)) {
            if (msg->msg == CURLMSG_DONE) {
                result = msg->data.result;
                finished = true;
            }
        }
        if (mc == CURLM_OK && !finished && running > 0)
            mc = curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
        if (mc != CURLM_OK) {
            (void)curl_multi_remove_handle(multi, easy.get()); // already failing
            return SendOutcome::failure(SendError::Internal, QString::fromUtf8(curl_multi_strerror(mc)));
        }
        if (running == 0)
            finished = true;
    }
    // libcurl 7.88 ends an SMTP upload removed while it runs as if it were
    // complete: it writes the final "." and a server that kept up with the
    // data takes the truncated message. One more turn lets the progress
    // callback report the abort, so the transfer fails and its connection is
    // closed without that mark.
    if (!finished) {
        int running = 0;
        // Its result does not matter: the connection is cut just below.
        (void)curl_multi_perform(multi, &running);
        // Whatever state the transfer was in, nothing more may reach the
        // server: cutting the socket makes any late write of the mark fail.
        curl_socket_t socket = CURL_SOCKET_BAD;
        if (curl_easy_getinfo(easy.get(), CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK
            && socket != CURL_SOCKET_BAD)
            ::shutdown(socket, kShutdownBoth);
    }
    long osErrno = 0;
    if (curl_easy_getinfo(easy.get(), CURLINFO_OS_ERRNO, &osErrno) != CURLE_OK)
        osErrno = 0;
    // Removing an unfinished transfer closes its connection: the server
    // never sees the end of the message.
    if (CURLMcode mc = curl_multi_remove_handle(multi, easy.get()); mc != CURLM_OK && finished)
        return SendOutcome::failure(SendError::Internal, QString::fromUtf8(curl_multi_strerror(mc)));
    if (aborted())
        return SendOutcome::failure(SendError::Internal, QStringLiteral("Invio interrotto."));
    if (result == CURLE_OK)
        return {};
    return describeFailure(
        {int(result), QString::fromUtf8(errorText), int(osErrno), s.server, source.error()}, t.dialogue);
}
