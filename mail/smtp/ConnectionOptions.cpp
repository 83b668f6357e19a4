#include "ConnectionOptions.h"

#include <curl/curl.h>

int setConnectionOptions(void *easy, const ConnectionSettings &s)
{
    CURL *handle = static_cast<CURL *>(easy);
    CURLcode rc = CURLE_OK;
    const auto set = [&](CURLoption option, auto value) {
        if (rc == CURLE_OK)
            rc = curl_easy_setopt(handle, option, value);
    };
    // libcurl copies every string it is given.
    set(CURLOPT_URL, s.server.url().toUtf8().constData());
    set(CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    set(CURLOPT_NOSIGNAL, 1L);
    // Removing a transfer whose name lookup still runs must not wait for it.
    set(CURLOPT_QUICK_EXIT, 1L);
    set(CURLOPT_CONNECTTIMEOUT_MS, long(s.connectTimeoutMs));
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    if (!s.caFile.isEmpty())
        set(CURLOPT_CAINFO, s.caFile.toLocal8Bit().constData());
    long useSsl = CURLUSESSL_TRY;
    if (s.startTls == ConnectionSettings::StartTls::Never)
        useSsl = CURLUSESSL_NONE;
    else if (s.startTls == ConnectionSettings::StartTls::Required)
        useSsl = CURLUSESSL_ALL;
    set(CURLOPT_USE_SSL, useSsl);
    return int(rc);
}
