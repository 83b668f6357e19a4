// Which progress reports of a send reach the window, against a clock the
// test sets: the first, the last (all of the message) once, and otherwise
// at most one per interval, however often the transport reports.

#include "mail/ProgressPace.h"

#include <QTest>

using namespace std::chrono_literals;

namespace {

struct Report
{
    int atMs;
    qint64 sent;
    bool passes;
};

} // namespace

Q_DECLARE_METATYPE(QList<Report>)

class TestProgressPace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void due_data()
    {
        QTest::addColumn<QList<Report>>("reports"); // of a 1000-byte message
        QTest::newRow("the first passes") << QList<Report>{{0, 10, true}};
        QTest::newRow("bursts thinned to one per interval") << QList<Report>{
            {0, 10, true}, {1, 20, false}, {32, 30, false}, {33, 40, true}, {40, 50, false}, {66, 60, true}};
        QTest::newRow("the end passes at once") << QList<Report>{{0, 10, true}, {1, 1000, true}};
        QTest::newRow("the end passes once")
            << QList<Report>{{0, 10, true}, {5, 1000, true}, {50, 1000, false}};
        QTest::newRow("a slow send passes every report")
            << QList<Report>{{0, 10, true}, {100, 20, true}, {200, 30, true}, {300, 1000, true}};
        QTest::newRow("a one-read message") << QList<Report>{{0, 1000, true}, {0, 1000, false}};
    }
    void due()
    {
        QFETCH(QList<Report>, reports);
        ProgressPace pace;
        const ProgressPace::Clock::time_point start{};
        for (const Report &r : reports)
            QVERIFY2(pace.due(r.sent, 1000, start + std::chrono::milliseconds(r.atMs)) == r.passes,
                     qPrintable(QStringLiteral("%1 bytes at %2 ms").arg(r.sent).arg(r.atMs)));
    }

    // A thousand reports a second for a second reach the window about 30 times.
    void aboutThirtyASecond()
    {
        ProgressPace pace;
        const ProgressPace::Clock::time_point start{};
        int passed = 0;
        for (int ms = 0; ms <= 1000; ++ms)
            passed += pace.due(ms, 1000, start + std::chrono::milliseconds(ms)) ? 1 : 0;
        QCOMPARE(passed, 1 + 1000 / 33 + 1);
    }
};

QTEST_GUILESS_MAIN(TestProgressPace)
#include "tst_progresspace.moc"
