#include "addresses/DomainLookup.h"
#include "tests/support/TestNameServer.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDomainLookup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answers_data();
    void answers();
};

void TestDomainLookup::answers_data()
{
    QTest::addColumn<QString>("domain");
    // The loopback one "running", "stopped", running but knowing "no top-level zones", or "none" asked
    QTest::addColumn<QByteArray>("server");
    QTest::addColumn<DomainAnswer>("expected");
    QTest::addColumn<bool>("asked");
    const QByteArray running = "running";
    using enum DomainAnswer;
    QTest::newRow("mail exchanger") << u"gmail.com"_s << running << Receives << true;
    QTest::newRow("address only") << u"gmial.com"_s << running << NoExchanger << true;
    QTest::newRow("IPv6 address only") << u"solo-ipv6.it"_s << running << NoExchanger << true;
    QTest::newRow("null exchanger beside an address")
        << u"nessuna-posta.it"_s << running << TakesNoMail << true;
    QTest::newRow("no such domain") << u"esempio-che-non-esiste.it"_s << running << Missing << true;
    QTest::newRow("no such domain, its top-level zone unknown")
        << u"esempio.sconosciuto"_s << running << Unknown << true;
    QTest::newRow("no such domain, no top-level zone known")
        << u"esempio-che-non-esiste.it"_s << QByteArray("no top-level zones") << Unknown << true;
    QTest::newRow("upper case") << u"GMAIL.COM"_s << running << Receives << true;
    QTest::newRow("server failure") << u"guasto.it"_s << running << Unknown << true;
    QTest::newRow("no dot") << u"localhost"_s << running << Unknown << false;
    QTest::newRow("address literal") << u"[127.0.0.1]"_s << running << Unknown << false;
    QTest::newRow("server stopped") << u"libero.it"_s << QByteArray("stopped") << Unknown << true;
    QTest::newRow("nobody asked") << u"gmail.com"_s << QByteArray("none") << Unknown << false;
    QTest::newRow("gone while asking") << u"lento.it"_s << running << Unknown << true;
}

void TestDomainLookup::answers()
{
    QFETCH(QString, domain);
    QFETCH(QByteArray, server);
    QFETCH(DomainAnswer, expected);
    QFETCH(bool, asked);
    TestNameServer loopback(server != "no top-level zones");
    QVERIFY(loopback.isRunning());
    qputenv("KORVANE_CLIENT_NAMESERVER", server == "none" ? server : loopback.address());
    if (server == "stopped")
        loopback.stop();
    DomainLookup lookup;
    QSignalSpy spy(&lookup, &DomainLookup::answered);

    QCOMPARE(lookup.ask(domain), DomainAnswer::Unknown);
    QCOMPARE(lookup.isAsking(domain.toUpper()), asked);
    if (domain == u"lento.it")
        return; // never answered: the lookup goes while the question is out
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

QTEST_GUILESS_MAIN(TestDomainLookup)
#include "tst_domainlookup.moc"
