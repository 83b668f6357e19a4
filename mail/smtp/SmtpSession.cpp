#include "SmtpSession.h"

#include "SmtpTexts.h"
#include "SmtpTransfer.h"
#include "mail/message/MessageSource.h"

#include <curl/curl.h>

#include <QScopeGuard>

#include <memory>

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

// How long the loop sleeps at most between two runs of the transfer's
// callbacks, which also watch the goodbye's time.
constexpr int kPollMs = 100;

SmtpTransfer &transferOf(void *userdata) { return *static_cast<SmtpTransfer *>(userdata); }

size_t readMessage(char *buffer, size_t size, size_t count, void *userdata)
{
    const qint64 room = static_cast<qint64>(size) * static_cast<qint64>(count);
    const qint64 n = transferOf(userdata).readMessage(buffer, room);
    return n < 0 ? CURL_READFUNC_ABORT : size_t(n);
}

size_t replyLine(char *data, size_t size, size_t count, void *userdata)
{
    const size_t n = size * count;
    return transferOf(userdata).replyLine(QByteArrayView(data, qsizetype(n))) ? n : 0;
}

int debugTrace(CURL * /*handle*/, curl_infotype type, char *data, size_t size, void *userdata)
{
    // Nothing reaches stderr from here: only the transcript's tap sees the
    // dialogue, and it redacts the credentials and the message first.
    if (type == CURLINFO_HEADER_OUT)
        transferOf(userdata).commandSent(QByteArrayView(data, qsizetype(size)));
    transferOf(userdata).tap().seen(int(type), QByteArrayView(data, qsizetype(size)));
    return 0;
}

int transferInfo(void *userdata, curl_off_t /*dltotal*/, curl_off_t /*dlnow*/, curl_off_t /*ultotal*/,
                 curl_off_t /*ulnow*/)
{
    // Also called about once a second while libcurl waits for a reply, the
    // reply to QUIT included.
    return transferOf(userdata).keepGoing() ? 0 : 1;
}

curl_socket_t openSocket(void *userdata, curlsocktype /*purpose*/, curl_sockaddr *address)
{
    const qintptr s = transferOf(userdata).openSocket(address->family, address->socktype, address->protocol);
    return s == -1 ? CURL_SOCKET_BAD : curl_socket_t(s);
}

int closeSocket(void *userdata, curl_socket_t socket)
{
    transferOf(userdata).closeSocket(qintptr(socket));
    return 0;
}

SendOutcome internalFailure(const QString &text) { return SendOutcome::failure(SendError::Internal, text); }

// Every option of one send; the strings are copied by libcurl.
CURLcode configure(CURL *easy, const SmtpSession::Settings &s, qint64 size, SmtpTransfer &t,
                   curl_slist *recipients, char *errorText)
{
    // Credentials never travel in clear text: without TLS the send stops.
    const auto startTls = s.username.isEmpty() ? ConnectionSettings::StartTls::IfOffered
                                               : ConnectionSettings::StartTls::Required;
    CURLcode rc = CURLcode(setConnectionOptions(easy, {s.server, s.caFile, s.connectTimeoutMs, startTls}));
    const auto set = [&](CURLoption option, auto value) {
        if (rc == CURLE_OK)
            rc = curl_easy_setopt(easy, option, value);
    };
    set(CURLOPT_ERRORBUFFER, errorText);
    // One connection per send, closed (with QUIT) by the transfer itself,
    // so no cleanup is left to talk to the server.
    set(CURLOPT_FORBID_REUSE, 1L);
    set(CURLOPT_MAIL_FROM, ('<' + s.mailFrom + '>').constData());
    set(CURLOPT_MAIL_RCPT, recipients);
    set(CURLOPT_UPLOAD, 1L);
    set(CURLOPT_INFILESIZE_LARGE, curl_off_t(size));
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
    set(CURLOPT_OPENSOCKETFUNCTION, openSocket);
    set(CURLOPT_OPENSOCKETDATA, &t);
    set(CURLOPT_CLOSESOCKETFUNCTION, closeSocket);
    set(CURLOPT_CLOSESOCKETDATA, &t);
    const long stallSeconds = ConnectionTimings::wholeSeconds(s.stallTimeoutMs);
    set(CURLOPT_SERVER_RESPONSE_TIMEOUT, stallSeconds);
    set(CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(CURLOPT_LOW_SPEED_TIME, stallSeconds);
    if (!s.username.isEmpty()) {
        set(CURLOPT_USERNAME, s.username.constData());
        set(CURLOPT_PASSWORD, s.password.constData());
        set(CURLOPT_SASL_IR, 1L);
    }
    return rc;
}

ListPtr recipientList(const QList<QByteArray> &recipients)
{
    ListPtr list;
    for (const QByteArray &r : recipients) {
        curl_slist *grown = curl_slist_append(list.get(), ('<' + r + '>').constData());
        if (!grown)
            return nullptr;
        (void)list.release();
        list.reset(grown);
    }
    return list;
}

struct LoopEnd
{
    bool finished = false; // libcurl is done with the transfer
    CURLcode result = CURLE_OK;
};

// Turns the loop until the transfer is done, aborted, the server has let
// the greeting's time pass, or the multi interface itself fails.
LoopEnd runLoop(MultiLoop &loop, const SmtpTransfer &t)
{
    LoopEnd end;
    const auto finished = [&end](void * /*easy*/, int code) {
        end.finished = true;
        end.result = static_cast<CURLcode>(code);
    };
    while (!end.finished && loop.turn(finished, kPollMs) && !t.greetingOverdue()) {
    }
    return end;
}

} // namespace

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
             curl->ssl_version ? QString::fromLatin1(curl->ssl_version) : smtpText(SmtpText::WithoutTls));
}

void SmtpSession::abort()
{
    m_loop.stop();
    m_connections.cut();
}

SendOutcome SmtpSession::run(const Settings &s, MessageSource &source, const Progress &progress,
                             const Verdict &verdict)
{
    SmtpTransfer t(*this, s, source, progress, verdict);
    EasyPtr easy(curl_easy_init());
    if (!easy || !m_loop.open())
        return t.decide(internalFailure(smtpText(SmtpText::CannotStart)));
    const auto closeLoop = qScopeGuard([this] { m_loop.close(); });
    const ListPtr recipients = recipientList(s.recipients);
    if (!recipients && !s.recipients.isEmpty())
        return t.decide(internalFailure(smtpText(SmtpText::OutOfMemory)));

    char errorText[CURL_ERROR_SIZE] = {};
    t.attach(easy.get());
    if (const CURLcode rc = configure(easy.get(), s, source.size(), t, recipients.get(), errorText);
        rc != CURLE_OK)
        return t.decide(internalFailure(
            smtpText(SmtpText::CannotPrepareSend).arg(QString::fromUtf8(curl_easy_strerror(rc)))));
    if (!m_loop.add(easy.get()))
        return t.decide(internalFailure(smtpText(SmtpText::CannotStart)));

    const LoopEnd end = runLoop(m_loop, t);
    // libcurl 7.88 ends an SMTP upload removed while it runs as if it were
    // complete: it writes the final "." and a server that kept up with the
    // data takes the truncated message. One more run lets the progress
    // callback report the abort, so the transfer fails; the connection was
    // cut by abort() already, so any late write of the mark fails too.
    if (!end.finished && aborted())
        m_loop.runOnce();
    // The same end as if the whole message had been read would write the
    // final "." on a connection whose server never greeted, and wait for
    // its reply: shut down, the write fails at once.
    const bool silent = !end.finished && t.greetingOverdue();
    if (silent)
        m_connections.cutOpen();
    long osErrno = 0;
    if (curl_easy_getinfo(easy.get(), CURLINFO_OS_ERRNO, &osErrno) != CURLE_OK)
        osErrno = 0;
    // Removing an unfinished transfer closes its connection: the server
    // never sees the end of the message.
    m_loop.remove(easy.get());
    if (aborted() && !t.decided())
        return t.decide(internalFailure(smtpText(SmtpText::Interrupted)));
    if (silent)
        return t.decide(t.noGreeting());
    if (!end.finished)
        return t.decide(internalFailure(m_loop.failure()));
    if (end.result == CURLE_OK)
        return t.decide({});
    return t.decide(t.failure(int(end.result), QString::fromUtf8(errorText), int(osErrno)));
}
