#include "DomainLookup.h"
#include "TestNameServer.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestDomainLookup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answers_data();
    void answers();
    void answersWithoutServer();
    void asksNobody();
    void goesWhileAsking();
};

void TestDomainLookup::answers_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<DomainAnswer>("expected");
    QTest::addColumn<bool>("asked");

    QTest::newRow("mail exchanger") << u"gmail.com"_s << DomainAnswer::Receives << true;
    QTest::newRow("address only") << u"gmial.com"_s << DomainAnswer::NoExchanger << true;
    QTest::newRow("IPv6 address only") << u"solo-ipv6.it"_s << DomainAnswer::NoExchanger << true;
    QTest::newRow("no such domain") << u"esempio-che-non-esiste.it"_s << DomainAnswer::Missing << true;
    QTest::newRow("upper case") << u"GMAIL.COM"_s << DomainAnswer::Receives << true;
    QTest::newRow("server failure") << u"guasto.it"_s << DomainAnswer::Unknown << true;
    QTest::newRow("no dot") << u"localhost"_s << DomainAnswer::Unknown << false;
    QTest::newRow("address literal") << u"[127.0.0.1]"_s << DomainAnswer::Unknown << false;
}

void TestDomainLookup::answers()
{
    QFETCH(QString, domain);
    QFETCH(DomainAnswer, expected);
    QFETCH(bool, asked);
    TestNameServer server;
    QVERIFY(server.isRunning());
    qputenv("KORVANE_CLIENT_NAMESERVER", server.address());
    DomainLookup lookup;
    QSignalSpy spy(&lookup, &DomainLookup::answered);

    QCOMPARE(lookup.ask(domain), DomainAnswer::Unknown);
    QCOMPARE(lookup.isAsking(domain.toUpper()), asked);
    if (asked) {
        QVERIFY(spy.wait());
        QCOMPARE(spy.at(0).at(0).toString(), domain.toLower());
        QCOMPARE(spy.at(0).at(1).value<DomainAnswer>(), expected);
    }
    QCOMPARE(lookup.known(domain.toUpper()), expected);
    // Remembered; no answer is asked again.
    QCOMPARE(lookup.ask(domain), expected);
    QCOMPARE(lookup.isAsking(domain), asked && expected == DomainAnswer::Unknown);
}

void TestDomainLookup::answersWithoutServer()
{
    TestNameServer server;
    QVERIFY(server.isRunning());
    qputenv("KORVANE_CLIENT_NAMESERVER", server.address());
    server.stop();
    DomainLookup lookup;
    QSignalSpy spy(&lookup, &DomainLookup::answered);

    lookup.ask(u"libero.it"_s);
    QVERIFY(spy.wait());
    QCOMPARE(spy.at(0).at(1).value<DomainAnswer>(), DomainAnswer::Unknown);
    QVERIFY(!lookup.isAsking(u"libero.it"_s));
}

void TestDomainLookup::asksNobody()
{
    qputenv("KORVANE_CLIENT_NAMESERVER", "none");
    DomainLookup lookup;
    QCOMPARE(lookup.ask(u"gmail.com"_s), DomainAnswer::Unknown);
    QVERIFY(!lookup.isAsking(u"gmail.com"_s));
}

void TestDomainLookup::goesWhileAsking()
{
    TestNameServer server;
    QVERIFY(server.isRunning());
    qputenv("KORVANE_CLIENT_NAMESERVER", server.address());
    auto lookup = std::make_unique<DomainLookup>();
    lookup->ask(u"lento.it"_s);
    QVERIFY(lookup->isAsking(u"lento.it"_s));
    lookup.reset();
}

QTEST_GUILESS_MAIN(TestDomainLookup)
#include "tst_domainlookup.moc"
