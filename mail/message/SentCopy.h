#pragma once

#include "FileDescriptor.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// One message's copy in the Maildir of the messages sent (SentFolder),
// written in tmp/ from the bytes as they go to the server and moved into
// cur/, seen, once the server has accepted them. The bytes are gathered in
// blocks that a thread of the copy's own writes straight to the disk
// (O_DIRECT where the file system takes it: no page cache to fill, so a
// large copy costs the send next to no time); at most kMostBlocks wait, and
// the send waits for the disk only beyond that. A copy that cannot be
// written stops being written and says why; it never stops the send. One
// never kept (the send failed, was refused or cut) is removed when it goes.
class SentCopy
{
public:
    static constexpr qint64 kBlockBytes = qint64(1) << 20;
    static constexpr int kMostBlocks = 4;

    // Starts the copy in the Maildir at maildir (SentFolder::path() for the
    // program's own), making its folders where missing.
    explicit SentCopy(const QString &maildir);
    ~SentCopy();
    SentCopy(const SentCopy &) = delete;
    SentCopy &operator=(const SentCopy &) = delete;

    // The next bytes of the message; nothing once the copy has failed.
    void write(const char *data, qint64 size);
    // Waits for the bytes still to be written, then moves the copy into
    // cur/ with the seen flag; returns why it could not be kept, empty when
    // it is.
    QString keep();
    // Where the kept copy is.
    QString keptPath() const { return m_keptPath; }

private:
    struct FreeBlock
    {
        void operator()(char *data) const { std::free(data); }
    };
    struct Block
    {
        std::unique_ptr<char, FreeBlock> data;
        qint64 size = 0;
    };

    // The sender's: a block to fill, taken from those written or made anew.
    bool takeBlock();
    void queueBlock();
    // The writer thread's loop, until the queue is closed and empty.
    void writeOut();
    bool writeBlock(const Block &block);
    // Stops the writer; the blocks still queued are written unless dropped.
    void finish(bool drop);
    void fail(int error);

    QString m_maildir;
    FileDescriptor m_tmp;
    FileDescriptor m_cur;
    FileDescriptor m_file;
    QByteArray m_name;
    QString m_problem;
    QString m_keptPath;
    Block m_filling;
    bool m_direct = false; // the writer's, once started

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Block> m_full;
    std::vector<Block> m_free;
    int m_blocks = 0;
    bool m_closed = false;
    int m_error = 0; // errno of the write that failed
    std::thread m_writer;
};
