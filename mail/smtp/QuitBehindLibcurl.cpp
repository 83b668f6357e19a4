#include "QuitBehindLibcurl.h"

#include "ConnectionCutter.h"

#include <curl/curl.h>

#ifdef KORVANE_QUIT_OVER_OPENSSL
#include <openssl/ssl.h>
#endif

namespace {

constexpr char kQuit[] = "QUIT\r\n";
constexpr int kQuitSize = int(sizeof kQuit - 1);

} // namespace

bool writeQuitBehindLibcurl(void *easy, bool overTls, ConnectionCutter &connections)
{
    if (!overTls)
        return connections.writeToSole(QByteArrayView(kQuit, kQuitSize));
#ifdef KORVANE_QUIT_OVER_OPENSSL
    curl_tlssessioninfo *info = nullptr;
    if (curl_easy_getinfo(static_cast<CURL *>(easy), CURLINFO_TLS_SSL_PTR, &info) != CURLE_OK || !info
        || info->backend != CURLSSLBACKEND_OPENSSL || !info->internals)
        return false;
    return SSL_write(static_cast<SSL *>(info->internals), kQuit, kQuitSize) == kQuitSize;
#else
    (void)easy;
    return false;
#endif
}
