#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <chrono>
#include <mutex>
#include <vector>

// The sockets of one session, opened and closed through it, so that another
// thread can cut them at any moment: shutdown() makes every pending and later
// read or write on them fail at once, without waiting for the peer.
class ConnectionCutter
{
public:
    // Opens a socket as ::socket() does; -1 on failure. A socket opened after
    // cut() is cut at once.
    qintptr open(int family, int type, int protocol);
    // Closes a socket that open() returned.
    void close(qintptr socket);
    // Shuts down every open socket, and those opened later; never blocks.
    void cut();
    // Shuts down the sockets open now, of a transfer given up; later ones
    // are left alone.
    void cutOpen();
    // Writes bytes on the socket when exactly one is open and nothing was
    // cut; false otherwise or when the write fell short.
    bool writeToSole(QByteArrayView bytes);
    // Waits until the sole open socket has something to read, until is
    // reached or cut() is called.
    void awaitReply(std::chrono::steady_clock::time_point until);
    // Before close(): reads and drops what the peer still sends until it
    // hangs up, until is reached or cut() is called.
    void drain(qintptr socket, std::chrono::steady_clock::time_point until);

private:
    std::mutex m_lock;
    std::vector<qintptr> m_open;
    bool m_cut = false;
};
