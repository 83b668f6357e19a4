// The --verbose echo never makes its caller wait for a reader that stopped
// reading, says how much it left out, and writes everything once the reader
// is back.

#include "common/StandardError.h"

#include <QRegularExpression>
#include <QTest>

#include <thread>

#include <unistd.h>

class TestStandardError : public QObject
{
    Q_OBJECT

private slots:
    void echoNeverWaitsForItsReader();
};

void TestStandardError::echoNeverWaitsForItsReader()
{
    int ends[2];
    QVERIFY(::pipe(ends) == 0);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(ends[1], STDERR_FILENO);

    // Far more than the pipe and the echo's queue hold, with nobody reading:
    // a blocking echo would hang here.
    const QByteArray line(qsizetype(64) * 1024, 'x');
    constexpr int lines = 200;
    for (int i = 0; i < lines; ++i)
        StandardError::echoLine(line);
    StandardError::echoLine("fine");

    QByteArray got;
    std::thread reader([&got, end = ends[0]] {
        char buffer[65536];
        while (!got.endsWith("fine\n")) {
            const ssize_t n = ::read(end, buffer, sizeof buffer);
            if (n <= 0)
                return;
            got.append(buffer, n);
        }
    });
    const bool drained = StandardError::drain(std::chrono::seconds(60));
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(ends[1]);
    reader.join();
    ::close(ends[0]);

    QVERIFY(drained);
    QVERIFY(got.endsWith("fine\n"));
    const qsizetype written = got.count(line + '\n');
    QVERIFY2(written > 0 && written < lines, QByteArray::number(written).constData());
    // Each run of lines left out is counted where it was, and none is lost
    // uncounted: the reader may take a line now and then while they come.
    qsizetype counted = 0;
    const QRegularExpression note(QStringLiteral("… \\((\\d+) righe dell'eco perse"));
    for (QRegularExpressionMatchIterator it = note.globalMatch(QString::fromUtf8(got)); it.hasNext();)
        counted += it.next().captured(1).toLongLong();
    QCOMPARE(counted, lines - written);
}

QTEST_GUILESS_MAIN(TestStandardError)
#include "tst_standarderror.moc"
