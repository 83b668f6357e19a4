#include "MultiLoop.h"

#include <QString>

#include <curl/curl.h>

MultiLoop::~MultiLoop() { close(); }

bool MultiLoop::open()
{
    CURLM *multi = curl_multi_init();
    const std::lock_guard lock(m_lock);
    m_multi = multi;
    return m_multi != nullptr;
}

void MultiLoop::close()
{
    void *multi = nullptr;
    {
        const std::lock_guard lock(m_lock);
        multi = std::exchange(m_multi, nullptr);
    }
    // Nothing is left in it to close: each transfer was removed by its owner.
    if (multi)
        (void)curl_multi_cleanup(static_cast<CURLM *>(multi));
}

bool MultiLoop::add(void *easy)
{
    return curl_multi_add_handle(static_cast<CURLM *>(m_multi), easy) == CURLM_OK;
}

void MultiLoop::remove(void *easy) { (void)curl_multi_remove_handle(static_cast<CURLM *>(m_multi), easy); }

bool MultiLoop::turn(const Finished &finished, int waitMs, const std::vector<qintptr> &extraSockets)
{
    auto *multi = static_cast<CURLM *>(m_multi);
    if (stopped() || !multi || m_failure != CURLM_OK)
        return false;
    int running = 0;
    CURLMcode mc = curl_multi_perform(multi, &running);
    int queued = 0;
    bool anyFinished = false;
    while (CURLMsg *msg = curl_multi_info_read(multi, &queued)) {
        if (msg->msg != CURLMSG_DONE)
            continue;
        anyFinished = true;
        if (finished)
            finished(msg->easy_handle, int(msg->data.result));
    }
    // What finished may change what the caller waits for: no sleep before it looks.
    if (mc == CURLM_OK && !anyFinished && !stopped()) {
        std::vector<curl_waitfd> fds;
        fds.reserve(extraSockets.size());
        for (const qintptr s : extraSockets)
            fds.push_back({curl_socket_t(s), CURL_WAIT_POLLIN, 0});
        mc = curl_multi_poll(multi, fds.data(), unsigned(fds.size()), waitMs, nullptr);
    }
    m_failure = mc;
    return mc == CURLM_OK && !stopped();
}

void MultiLoop::runOnce()
{
    int running = 0;
    if (m_multi)
        (void)curl_multi_perform(static_cast<CURLM *>(m_multi), &running);
}

void MultiLoop::stop()
{
    const std::lock_guard lock(m_lock);
    m_stopped = true;
    if (m_multi)
        (void)curl_multi_wakeup(static_cast<CURLM *>(m_multi));
}

QString MultiLoop::failure() const
{
    return m_failure == CURLM_OK ? QString()
                                 : QString::fromUtf8(curl_multi_strerror(static_cast<CURLMcode>(m_failure)));
}
