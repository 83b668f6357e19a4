#pragma once

#include "ReplyReader.h"

#include <QByteArrayView>
#include <QString>

#include <functional>

// Turns what libcurl's debug function reports of one connection into
// transcript lines: "C: " our commands, "S: " the server's replies, "* " what
// libcurl says of the connection and TLS, translated. Redaction happens here,
// before any line exists: the AUTH exchange's payloads become "****", the
// message itself one line with its size, and libcurl's other remarks are
// left out; of a long reply, only the first ReplyReader::kShownLines lines
// are shown. Used on the thread that runs the transfer.
class TranscriptTap
{
public:
    using Sink = std::function<void(const QString &line)>;

    // Without a sink the tap writes nothing.
    explicit TranscriptTap(Sink sink = {}) : m_sink(std::move(sink)) {}

    // Makes tap the debug function of easy (a CURL *), verbose on; returns
    // libcurl's CURLcode.
    static int install(void *easy, TranscriptTap *tap);

    // One report of libcurl's debug function: its curl_infotype and data.
    void seen(int type, QByteArrayView data);
    // Writes the line about the message bytes sent since the last one, and
    // the one about the reply lines not shown, if any.
    void flush();

    // libcurl's remark about the connection or TLS in Italian, or an empty
    // text for a remark that has no place in a transcript.
    static QString connectionRemark(const QString &text);

private:
    void command(QByteArrayView line);
    void reply(QByteArrayView line);
    void write(const QString &line) const;
    void flushMessage();
    void flushUnshown();

    Sink m_sink;
    bool m_inAuth = false;
    qint64 m_messageBytes = 0;
    ReplyReader m_replies; // where one reply ends, and how many lines it had
    int m_unshownLines = 0;
};
