#pragma once

#include "StallMeter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTemporaryFile>

#include <memory>

class KorvaneSTMP;

// Sends the same message `count` times in a row through the real component,
// each on a new connection, after one untimed send with a tiny attachment, and
// prints one line per send plus a summary: wall time, peak resident memory
// and the event loop's longest stall.
class SendBench : public QObject
{
    Q_OBJECT

public:
    SendBench(const QString &server, QString attachment, int count);
    ~SendBench() override;

    // Starts the first send; the application quits after the last one, with
    // exit code 0, or 1 on the first failure.
    void start();

private:
    void startTimed();
    void sendNext();
    void completed();
    void failed(qint16 number, const QString &description) const;
    void printSummary() const;

    std::unique_ptr<KorvaneSTMP> m_component;
    StallMeter m_stalls;
    QElapsedTimer m_total;
    QElapsedTimer m_one;
    QString m_attachment;
    QTemporaryFile m_warmUpFile;
    int m_count;
    int m_done = 0;
    bool m_warming = false;
};

// Writes the exact message the component would send with this attachment,
// so another client can upload the same bytes. Returns false on failure.
bool dumpMessage(const QString &attachment, const QString &outPath);

// Times how long the component takes to choose the Content-Type of this file
// (for a text file, one read of all its bytes) and prints it with the type.
bool timeCharset(const QString &attachment);
