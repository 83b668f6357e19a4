#pragma once

#include <QString>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

// One message's copy in the Maildir of the messages sent (SentFolder),
// written in tmp/ from the bytes as they go to the server and moved into
// cur/, seen, once the server has accepted them. Everything that touches
// the disk (the folders, the file, the writes, the move) runs on a thread
// of the copy's own, so that a slow or stuck disk never holds the send: the
// bytes go there in blocks, written straight to the disk (O_DIRECT where
// the file system takes it: no page cache to fill), at most kMostBlocks of
// them waiting. The send waits for the disk kMostWaited in all at most, and
// for the move into cur/ kKeepWait; past that, or when the copy cannot be
// written, there is no copy, and why is said. One never kept (the send
// failed, was refused or cut) is removed.
class SentCopy
{
public:
    static constexpr qint64 kBlockBytes = qint64(1) << 20;
    static constexpr int kMostBlocks = 4;
    static constexpr std::chrono::milliseconds kMostWaited{2000};
    static constexpr std::chrono::milliseconds kKeepWait{5000};

    // Starts the copy in the Maildir at maildir (SentFolder::path() for the
    // program's own); its folders are made where missing.
    explicit SentCopy(const QString &maildir);
    ~SentCopy();
    SentCopy(const SentCopy &) = delete;
    SentCopy &operator=(const SentCopy &) = delete;

    // The next bytes of the message; nothing once the copy has failed.
    void write(const char *data, qint64 size);
    // Waits for the bytes still to be written and the move into cur/ with
    // the seen flag; returns why the copy could not be kept, empty when it is.
    QString keep();
    // Where the kept copy is.
    QString keptPath() const { return m_keptPath; }

    struct Writer;

private:
    // A block to fill, from those written or made anew; false once the copy
    // has stopped.
    bool takeBlock();
    void queueBlock();

    std::shared_ptr<Writer> m_writer;
    std::thread m_thread;
    std::unique_ptr<char, void (*)(void *)> m_filling{nullptr, &std::free};
    qint64 m_filled = 0;
    bool m_stopped = false;
    std::chrono::steady_clock::duration m_waited{};
    QString m_keptPath;
};
